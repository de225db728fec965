#include "InfoCBox.h"

#include "Preferences.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <cmath>

namespace vantorel {

int ShowInfoCBox(QWidget* owner, const QString& text, SettingsStore& store, int textOffset, int width, int buttons,
                 int icon, const QString& valueName) {
    if (IsSilenced(store, valueName))
        return kInfoSuppressed;
    QDialog box(owner);
    box.setObjectName("TInfoCBoxForm");
    box.setWindowTitle("Vantorel");
    auto* column = new QVBoxLayout(&box);
    auto* row = new QHBoxLayout;
    auto* picture = new QLabel;
    const QStyle::StandardPixmap pixmaps[] = {QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxQuestion,
                                              QStyle::SP_MessageBoxWarning};
    const int iconIndex = icon == 1 ? 1 : icon == 4 ? 2 : 0;
    picture->setPixmap(box.style()->standardIcon(pixmaps[iconIndex]).pixmap(32, 32));
    row->addWidget(picture, 0, Qt::AlignTop);
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    if (textOffset != 0)
        label->setContentsMargins(0, std::max(0, textOffset), 0, std::max(0, -textOffset));
    row->addWidget(label, 1);
    column->addLayout(row);
    auto* check = new QCheckBox("  Don't show this message again");
    column->addWidget(check);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    const auto add = [&](const QString& caption, int result) {
        auto* button = new QPushButton(caption);
        QObject::connect(button, &QPushButton::clicked, &box, [&box, result] { box.done(result); });
        buttonRow->addWidget(button);
        return button;
    };
    switch (buttons) {
    case 1:
        add("&OK", kInfoOk)->setDefault(true);
        add("&Cancel", kInfoCancel);
        break;
    case 3:
        add("&Yes", kInfoYes)->setDefault(true);
        add("&No", kInfoNo);
        add("&Cancel", kInfoCancel);
        break;
    case 4:
        add("&Yes", kInfoYes)->setDefault(true);
        add("&No", kInfoNo);
        break;
    default:
        add("&OK", kInfoOk)->setDefault(true);
        break;
    }
    buttonRow->addStretch();
    column->addLayout(buttonRow);
    if (width != 0) {
        const double points = QApplication::font().pointSizeF() > 0 ? QApplication::font().pointSizeF() : 8;
        box.setFixedWidth(width + static_cast<int>(std::lround(width * (points - 8) * 0.12)));
    }
    int result = box.exec();
    if (result == QDialog::Rejected)
        result = kInfoCancel;
    SetSilenced(store, valueName, check->isChecked());
    return result;
}

} // namespace vantorel
