#include "FileDialogs.h"

#include <QFileInfo>

namespace vantorel {

QStringList OpenDialogFilters() {
    static const char* const kEntries[][2] = {
        {"JPEG Image Files (JPG, JPEG, JPE, JFIF)", "*.jpg *.jpeg *.jpe *.jfif"},
        {"Bitmaps (BMP, DIB, RLE)", "*.bmp *.dib *.rle"},
        {"Portable Network Graphic (PNG)", "*.png"},
        {"Tagged Image File Format (TIFF, FAX)", "*.tif *.tiff *.fax"},
        {"Graphics Interchange Format (GIF)", "*.gif"},
        {"Zsoft Paintbrush (PCX)", "*.pcx *.pcc"},
        {"Adobe Photoshop (PSD, PDD)", "*.psd *.pdd"},
        {"Kodak PhotoCD (PCD)", "*.pcd"},
        {"Paint Shop Pro (PSP)", "*.psp"},
        {"Portable Map Graphic (PPM, PGM, PBM)", "*.ppm *.pgm *.pbm"},
        {"SGI Graphic (SGI, RGB, BW)", "*.sgi *.rgb *.rgba *.bw"},
        {"Truevision Targa (TGA, WIN, VST, VDA, ICB)", "*.tga *.win *.vst *.vda *.icb"},
        {"Dr. Halo (CUT)", "*.cut"},
        {"Alias / Wavefront (RPF, RLA)", "*.rpf *.rla"},
        {"Autodesk (CEL, PIC)", "*.cel *.pic"},
        {"Encapsulated Postscript (EPS)", "*.eps"},
    };
    QStringList filters;
    QStringList all;
    for (const auto& entry : kEntries) {
        filters << QString("%1 (%2)").arg(entry[0], entry[1]);
        all << entry[1];
    }
    filters.prepend(QString("All supported formats (%1)").arg(all.join(' ')));
    return filters;
}

void RememberFolder(DialogFolders& used, DialogFolders& other, const QString& fileName) {
    const QString folder = fileName.isEmpty() ? QString() : QFileInfo(fileName).absolutePath();
    used.InitialDir = folder;
    other.Options = used.Options;
    used.Recent.removeAll(folder);
    used.Recent.prepend(folder);
    if (!other.Recent.contains(folder))
        other.Recent.append(folder);
}

} // namespace vantorel
