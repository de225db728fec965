#include "TImageForm.h"

#include "ToolCursors.h"
#include "ZoomSteps.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {

constexpr int kSpacer = 10;

const char* FormatKindName(PictureFormatKind kind) {
    static const char* const kNames[] = {"",    "BMP", "JPEG",  "TIFF", "EPS", "PCX", "PSD", "GIF", "PNG", "PCD",
                                         "Targa", "PSP", "CUT", "PPM", "SGI", "RLA", "Autodesk", "WebP", "HEIC", "AVIF"};
    const auto index = static_cast<std::size_t>(kind);
    return index < std::size(kNames) ? kNames[index] : "";
}

QScrollArea* MakeScrollBox(ImageView* view, const QString& hint, QWidget* parent) {
    auto* box = new QScrollArea(parent);
    box->setWidget(view);
    box->setWidgetResizable(false);
    box->setAlignment(Qt::AlignCenter);
    box->setStatusTip(hint.section('|', 1)); // a hint is "short|long"; the status bar shows the long part
    box->setBackgroundRole(QPalette::Dark);
    return box;
}

} // namespace

TImageForm::TImageForm(const Preferences& preferences, ImageFormHost& host, QWidget* parent)
    : QWidget(parent),
      m_host(host),
      m_prefs(preferences),
      m_doc(preferences,
            ImageDocument::Hooks{
                [this](int code) {
                    m_notification = code;
                    if (code == 1)
                        RefreshStatus();
                    m_host.ImageNotify(*this, code);
                },
                [this](const QString& text) { m_host.ImageMessage(text); },
                [this] { ResultChanged(); },
                [this](bool ok, const QString& error) { LoadEnded(ok, error); },
            }),
      m_drawing(m_doc.Units) {
    setAttribute(Qt::WA_DeleteOnClose);
    m_srcView = new ImageView;
    m_resView = new ImageView;
    m_srcScroll = MakeScrollBox(m_srcView, "|Source image", this);
    m_resScroll = MakeScrollBox(m_resView, "|Result (compressed) image", this);
    m_srcStatus = new StatusPanel(this);
    m_resStatus = new StatusPanel(this);
    m_srcStatus->setStatusTip("File sizes of source and result (compressed) images and the compression ratio");
    m_resStatus->setStatusTip(m_srcStatus->statusTip());
    m_doc.LevelsTied = preferences.ConnectedLevels;
    m_doc.KeepFileDate = preferences.KeepOrigDatetime;
    m_doc.Engine().Settings().OptimizeHuffman = preferences.ExtraOptimization;
    m_arrangement = std::clamp<int>(preferences.InitImagesArrangement, 0, 2);
    m_initImageScale = preferences.InitImageScale;
    for (int view = 0; view < 2; ++view) {
        ImageView* v = view == 0 ? m_srcView : m_resView;
        v->OnMousePress = [this, view](QMouseEvent* e) { MousePress(view, e); };
        v->OnMouseMove = [this, view](QMouseEvent* e) { MouseMove(view, e); };
        v->OnMouseRelease = [this, view](QMouseEvent* e) { MouseRelease(view, e); };
        v->PaintExtra = [this, view](QPainter& painter) { PaintUnits(painter, view); };
    }
    for (QScrollArea* box : {m_srcScroll, m_resScroll}) {
        connect(box->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this, box] { SyncScroll(*box); });
        connect(box->verticalScrollBar(), &QScrollBar::valueChanged, this, [this, box] { SyncScroll(*box); });
    }
    SetTool(kMoveTool);
    resize(640, 420);
    UpdateCaption();
}

TImageForm::~TImageForm() {
    m_doc.Stop();
    m_doc.WaitWhileBusy();
}

// --- loading --------------------------------------------------------------------------------------

void TImageForm::LoadFromFile(const QString& fileName, bool ownFile) {
    m_doc.OwnFile = ownFile;
    m_doc.BeginLoadFile(fileName);
    UpdateCaption();
}

void TImageForm::LoadFromBitmap(const QImage& picture, const QString& name) {
    m_doc.LoadBitmap(picture, name);
    AfterLoad();
}

void TImageForm::LoadFromWindow(const TImageForm& other) {
    m_doc.LoadFromDocument(other.m_doc);
    m_arrangement = other.m_arrangement;
    AfterLoad();
    SetZoom(other.m_zoom);
}

void TImageForm::LoadEnded(bool ok, const QString& error) {
    if (!ok) {
        m_host.ImageLoadFailed(*this, error);
        return;
    }
    AfterLoad();
}

void TImageForm::AfterLoad() {
    m_srcView->SetPicture(m_doc.SourceBitmap());
    LayOut();
    SetInitialZoom(m_initImageScale);
    ResultChanged();
    UpdateCaption();
    RefreshStatus();
    // The source shows now, not after whatever the event queue holds.
    if (m_srcView->isVisible())
        m_srcView->repaint();
}

// --- layout, zoom and scrolling ------------------------------------------------------------------

void TImageForm::resizeEvent(QResizeEvent*) { LayOut(); }

void TImageForm::LayOut() {
    const int statusHeight = m_srcStatus->sizeHint().height();
    const int w = width();
    const int h = height() - statusHeight;
    m_srcStatus->setGeometry(0, h, w / 2, statusHeight);
    m_resStatus->setGeometry(w / 2, h, w - w / 2, statusHeight);
    switch (m_arrangement) {
    case 0: {
        const int each = std::max(0, (w - kSpacer) / 2);
        m_srcScroll->setGeometry(0, 0, each, h);
        m_resScroll->setGeometry(w - each, 0, each, h);
        m_srcScroll->show();
        break;
    }
    case 1: {
        const int each = std::max(0, (h - kSpacer) / 2);
        m_srcScroll->setGeometry(0, 0, w, each);
        m_resScroll->setGeometry(0, h - each, w, each);
        m_srcScroll->show();
        break;
    }
    default:
        m_srcScroll->hide();
        m_resScroll->setGeometry(0, 0, w, h);
        break;
    }
}

void TImageForm::SetArrangement(int arrangement) {
    arrangement = std::clamp(arrangement, 0, 2);
    if (arrangement == m_arrangement)
        return;
    m_arrangement = arrangement;
    LayOut();
}

QSize TImageForm::PictureSize() const { return m_doc.SourceBitmap().size(); }

void TImageForm::ApplyZoom(int zoom) {
    m_zoom = zoom;
    const QSize picture = PictureSize();
    const QSize viewSize(static_cast<int>(std::lround(zoom * picture.width() * 0.01)),
                         static_cast<int>(std::lround(zoom * picture.height() * 0.01)));
    m_srcView->SetViewSize(viewSize);
    const bool result = !m_resView->Picture().isNull() || m_doc.CorrectionView() == 1;
    m_resView->SetViewSize(result ? viewSize : QSize(0, 0));
    UpdateCaption();
}

void TImageForm::SetZoom(int zoom) {
    if (zoom <= 0 || PictureSize().isEmpty())
        return;
    ApplyZoom(std::clamp(zoom, kMinZoom, kMaxZoom));
}

QPointF TImageForm::CentreFractions() const {
    const QScrollArea& box = *m_srcScroll;
    const QSize view = m_srcView->size();
    const QSize client = box.viewport()->size();
    const double x = view.width() > 0 ? (std::min(view.width(), client.width()) / 2 + box.horizontalScrollBar()->value()) /
                                            double(view.width())
                                      : 0.5;
    const double y = view.height() > 0 ? (std::min(view.height(), client.height()) / 2 + box.verticalScrollBar()->value()) /
                                             double(view.height())
                                       : 0.5;
    return {x, y};
}

void TImageForm::ScrollToFractions(QPointF fractions) {
    for (QScrollArea* box : {m_srcScroll, m_resScroll}) {
        const QSize view = box->widget()->size();
        const QSize client = box->viewport()->size();
        box->horizontalScrollBar()->setValue(static_cast<int>(fractions.x() * view.width() - client.width() / 2.0));
        box->verticalScrollBar()->setValue(static_cast<int>(fractions.y() * view.height() - client.height() / 2.0));
    }
}

void TImageForm::SetZoomKeepingCentre(int zoom) {
    const QPointF fractions = CentreFractions();
    SetZoom(zoom);
    ScrollToFractions(fractions);
}

int TImageForm::FitZoom() const {
    const QSize source = PictureSize();
    const QSize result = m_doc.ResultBitmap().size();
    const int w = std::max(source.width(), result.width());
    const int h = std::max(source.height(), result.height());
    if (w <= 0 || h <= 0)
        return 100;
    const QSize client = m_resScroll->viewport()->size();
    return std::clamp(static_cast<int>(std::lround(std::min(double(client.width()) / w, double(client.height()) / h) * 100)),
                      kMinZoom, kMaxZoom);
}

void TImageForm::SetInitialZoom(int initImageScale) {
    const QSize picture = PictureSize();
    if (picture.isEmpty())
        return;
    int zoom = 100;
    if (initImageScale == 1) {
        zoom = FitZoom();
    } else if (initImageScale != 2) {
        const QSize client = m_srcScroll->viewport()->size();
        const int rx = static_cast<int>(std::lround(double(client.width()) / picture.width() * 100));
        const int ry = static_cast<int>(std::lround(double(client.height()) / picture.height() * 100));
        if (std::max(rx, ry) < 100)
            zoom = std::max(rx, ry) + 1;
    }
    SetZoom(zoom);
    ScrollToFractions({0.5, 0.5});
}

void TImageForm::Centre() { ScrollToFractions({0.5, 0.5}); }

void TImageForm::FitWindow(const QRect& freeArea) {
    QWidget* frame = qobject_cast<QMdiSubWindow*>(parentWidget()) ? parentWidget() : this;
    if (frame->isMaximized())
        frame->showNormal();
    const QSize view = m_srcView->size();
    QSize grow(view.width() - m_resScroll->viewport()->width(), view.height() - m_resScroll->viewport()->height());
    if (m_arrangement == 0)
        grow.setWidth(grow.width() * 2);
    else if (m_arrangement == 1)
        grow.setHeight(grow.height() * 2);
    QRect bounds = frame->geometry();
    bounds.setSize((bounds.size() + grow).boundedTo(freeArea.size()));
    if (bounds.right() > freeArea.right())
        bounds.moveRight(freeArea.right());
    if (bounds.bottom() > freeArea.bottom())
        bounds.moveBottom(freeArea.bottom());
    bounds.moveLeft(std::max(bounds.left(), freeArea.left()));
    bounds.moveTop(std::max(bounds.top(), freeArea.top()));
    frame->setGeometry(bounds);
}

void TImageForm::SyncScroll(const QScrollArea& from) {
    if (m_syncing)
        return;
    m_syncing = true;
    QScrollArea& to = &from == m_srcScroll ? *m_resScroll : *m_srcScroll;
    to.horizontalScrollBar()->setValue(from.horizontalScrollBar()->value());
    to.verticalScrollBar()->setValue(from.verticalScrollBar()->value());
    m_syncing = false;
}

// --- result, caption and status ---------------------------------------------------------------

void TImageForm::ResultChanged() {
    // While a job runs the worker owns the result bitmap; the view keeps the last one.
    if (m_doc.Busy())
        return;
    const bool hasResult = m_doc.CorrectionView() == 1 || m_doc.ResultSize() > 0;
    m_resView->SetPicture(m_sourceAsResult ? m_doc.SourceBitmap() : hasResult ? m_doc.ResultBitmap() : QImage());
    if (!PictureSize().isEmpty())
        ApplyZoom(m_zoom);
    RefreshStatus();
}

void TImageForm::ShowSourceAsResult(bool on) {
    if (on == m_sourceAsResult)
        return;
    m_sourceAsResult = on;
    ResultChanged();
}

QString TImageForm::InformationLine() const {
    const ImageFileInfo& info = m_doc.FileInfo();
    return QString::asprintf("%s[%dx%d]x%d %s", "Source: ", m_doc.SourceBitmap().width(), m_doc.SourceBitmap().height(),
                             info.BitsPerPixel, FormatKindName(info.FormatIndex));
}

void TImageForm::UpdateCaption() {
    setWindowTitle(QString("%1  [%2:%3%4]").arg(m_doc.FileName(), "zoom").arg(m_zoom).arg("%"));
}

void TImageForm::RefreshStatus() {
    if (m_doc.CorrectionView() == 1) {
        m_srcStatus->SetRuns(CorrectionSourceRuns(), false);
        m_resStatus->SetRuns(CorrectionResultRuns(m_doc.Engine().Modifications().HasUnapplied()), false);
        return;
    }
    // The figures are those of the last finished job until the running one ends.
    if (m_doc.Busy() && !m_resStatus->Runs().empty() && !m_doc.New())
        return;
    const long long sourceSize = m_doc.FileInfo().FileSize;
    const long long resultSize = m_doc.Busy() ? 0 : m_doc.ResultSize();
    const QSize picture = PictureSize();
    const long long uncompressed = 3LL * picture.width() * picture.height();
    const StatusFigures figures =
        ComputeStatusFigures(sourceSize, resultSize, uncompressed, m_doc.Engine().Settings().CompressionMode == 2);
    const StatusOptions options = StatusOptions::FromWord(m_host.StatusOptionsWord());
    m_srcStatus->SetRuns(SourcePanelRuns(figures, sourceSize, options), figures.SourceRaised);
    m_resStatus->SetRuns(ResultPanelRuns(figures, resultSize, options), figures.ResultRaised);
}

int TImageForm::TakeNotification() {
    const int code = m_notification;
    m_notification = -1;
    return code;
}

// --- tools and selection units -------------------------------------------------------------------

QCursor TImageForm::ToolCursorOf(bool pressed) const {
    switch (m_tool) {
    case kMoveTool:
        return CursorOf(pressed ? ToolCursor::kHandPressed : ToolCursor::kHand);
    case kZoomTool:
        return CursorOf(pressed ? ToolCursor::kZoomPressed : ToolCursor::kZoom);
    case kSelectionTool:
        return CursorOf(m_shape == 1   ? ToolCursor::kSelEllipse
                        : m_shape == 2 ? ToolCursor::kSelPolygon
                                       : ToolCursor::kSelRect);
    case kRedEyeTool:
        return CursorOf(pressed ? ToolCursor::kRedEyePressed : ToolCursor::kRedEye);
    default:
        return QCursor(pressed ? Qt::SizeAllCursor : Qt::ArrowCursor);
    }
}

void TImageForm::SetTool(int tool) {
    // The selection tool is set again when its shape changes, for the shape's cursor.
    if (tool == m_tool && m_cursorsSet && tool != kSelectionTool)
        return;
    m_tool = tool;
    m_cursorsSet = true;
    if (tool == kSelectionTool)
        SetUnitsHidden(false);
    m_srcView->setCursor(ToolCursorOf(false));
    m_resView->setCursor(ToolCursorOf(false));
}

void TImageForm::SetSelectionShape(int shape) {
    m_shape = std::clamp(shape, 0, 2);
    if (m_tool == kSelectionTool)
        SetTool(kSelectionTool);
}

QPoint TImageForm::ToImage(QPoint p) const {
    return {static_cast<int>(std::lround(p.x() * 100.0 / m_zoom)), static_cast<int>(std::lround(p.y() * 100.0 / m_zoom))};
}

QPoint TImageForm::ToView(int mx, int my) const {
    const QSize picture = PictureSize();
    const int px = FromMillionths(mx, picture.width());
    const int py = FromMillionths(my, picture.height());
    return {static_cast<int>(std::lround(px * m_zoom / 100.0)), static_cast<int>(std::lround(py * m_zoom / 100.0))};
}

void TImageForm::PaintUnits(QPainter& painter, int view) const {
    if (m_unitsHidden || m_doc.Units.empty())
        return;
    // Inverted outlines stay visible on any picture.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::NoBrush);
    const SelectionUnit* drawn = m_drawing.Current();
    for (const SelectionUnit& unit : m_doc.Units) {
        const bool isDrawn = &unit == drawn;
        if (view == 0 && !isDrawn)
            continue; // the source view shows only the unit being drawn in it
        if (isDrawn && m_drawing.View() != view)
            continue;
        const QPoint a = ToView(unit.BegX, unit.BegY);
        const QPoint b = ToView(unit.EndX, unit.EndY);
        if (unit.Kind == 0) {
            painter.drawRect(QRect(a, b).normalized());
        } else if (unit.Kind == 1) {
            painter.drawEllipse(QRect(a, b).normalized());
        } else if (unit.Kind == 2) {
            QPolygon line;
            for (const SelectionPoint& point : unit.Points)
                line << ToView(point.X, point.Y);
            if (isDrawn) {
                line << ToView(unit.EndX, unit.EndY);
                painter.drawPolyline(line);
            } else {
                painter.drawPolygon(line);
            }
        }
    }
}

void TImageForm::UnitsChanged() {
    if (m_doc.Engine().Settings().SelectiveCompression)
        m_doc.MarkChanged(true);
    m_srcView->update();
    m_resView->update();
}

void TImageForm::MousePress(int view, QMouseEvent* event) {
    if (m_drawing.Drawing() && m_drawing.View() != view)
        return;
    const QPoint p = event->position().toPoint();
    if (m_tool == kZoomTool) {
        ImageView* v = view == 0 ? m_srcView : m_resView;
        if (v->width() > 0 && v->height() > 0) {
            m_zoomTarget = {double(p.x()) / v->width(), double(p.y()) / v->height()};
            m_zoomStep = event->button() == Qt::RightButton ? -2 : 2;
            m_zoomButton = event->button();
            m_zooming = true;
        }
        v->setCursor(ToolCursorOf(true));
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_dragOrigin = event->globalPosition().toPoint();
        m_browseDirection = m_prefs.ImageBrowseDirection < 0 ? -1 : 1;
        m_dragCounter = 0;
        if (!(m_tool == kCropTool && view == 0))
            (view == 0 ? m_srcView : m_resView)->setCursor(ToolCursorOf(true));
        if (m_tool == kSelectionTool) {
            if (!m_drawing.Drawing()) {
                m_drawing.Start(m_shape, ToImage(p), PictureSize(), view);
                m_rubberEnd = ToImage(p);
            } else {
                m_drawing.Extend(ToImage(p), PictureSize());
            }
            (view == 0 ? m_srcView : m_resView)->update();
        }
        return;
    }
    if (event->button() == Qt::RightButton) {
        if (m_drawing.Drawing() && m_drawing.Current()->Kind == 2) {
            if (m_drawing.Finish(ToImage(p), PictureSize()))
                UnitsChanged();
            m_srcView->update();
            m_resView->update();
            return;
        }
        if (!m_drawing.Drawing() && !m_zooming)
            m_host.ImageContextMenu(*this, event->globalPosition().toPoint());
    }
}

void TImageForm::MouseMove(int view, QMouseEvent* event) {
    if (m_drawing.Drawing() && m_drawing.View() != view)
        return;
    const QPoint p = event->position().toPoint();
    ImageView* v = view == 0 ? m_srcView : m_resView;
    if (m_zooming && v->width() > 0 && v->height() > 0)
        m_zoomTarget = {double(p.x()) / v->width(), double(p.y()) / v->height()};
    if (event->buttons() == Qt::LeftButton && event->modifiers() == Qt::NoModifier) {
        if (m_tool == kMoveTool || m_tool == kRedEyeTool) {
            if (++m_dragCounter % 4 == 0)
                return;
            const QPoint global = event->globalPosition().toPoint();
            const QPoint step((global - m_dragOrigin) / 1.5);
            QScrollArea* box = view == 0 ? m_srcScroll : m_resScroll;
            box->horizontalScrollBar()->setValue(box->horizontalScrollBar()->value() + step.x() * m_browseDirection);
            box->verticalScrollBar()->setValue(box->verticalScrollBar()->value() + step.y() * m_browseDirection);
            m_dragOrigin = global;
        } else if (m_tool == kSelectionTool && m_drawing.Drawing() && m_drawing.Current()->Kind != 2) {
            m_drawing.Drag(ToImage(p), PictureSize());
            v->update();
        }
    } else if (m_drawing.Drawing() && m_drawing.Current()->Kind == 2) {
        m_drawing.Drag(ToImage(p), PictureSize());
        v->update();
    }
}

void TImageForm::MouseRelease(int view, QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    (view == 0 ? m_srcView : m_resView)->setCursor(ToolCursorOf(false));
    if (m_zooming && event->button() == m_zoomButton) {
        m_zooming = false;
        return;
    }
    if (m_drawing.Drawing() && m_drawing.View() == view && m_drawing.Current()->Kind != 2 &&
        event->button() == Qt::LeftButton) {
        if (m_drawing.Finish(ToImage(p), PictureSize()))
            UnitsChanged();
    }
    m_srcView->update();
    m_resView->update();
}

void TImageForm::TimerEvent() {
    if (!m_zooming)
        return;
    if ((m_zoomStep > 0 && m_zoom < kMaxZoom) || (m_zoomStep < 0 && m_zoom > kMinZoom)) {
        const QPointF centre = CentreFractions();
        SetZoom(m_zoom + m_zoomStep);
        ScrollToFractions(centre + (m_zoomTarget - centre) * 0.12);
        m_host.ImageNotify(*this, 0);
    }
}

void TImageForm::DeleteLastUnit() {
    if (m_drawing.Drawing())
        m_drawing.Cancel();
    else if (!m_doc.Units.empty())
        m_doc.Units.pop_back();
    else
        return;
    UnitsChanged();
}

void TImageForm::DeleteAllUnits() {
    m_drawing.Cancel();
    if (m_doc.Units.empty())
        return;
    m_doc.Units.clear();
    UnitsChanged();
}

void TImageForm::SetUnitsHidden(bool hidden) {
    m_unitsHidden = hidden;
    m_srcView->update();
    m_resView->update();
}

bool TImageForm::SelectionCopyPossible() const {
    return !m_drawing.Drawing() && !m_doc.Units.empty() && m_doc.Units.back().Kind == 0;
}

void TImageForm::CopyToClipboard() const {
    const QImage& source = m_doc.SourceBitmap();
    if (source.isNull())
        return;
    QImage copy = source;
    if (SelectionCopyPossible()) {
        const SelectionUnit& unit = m_doc.Units.back();
        const QRect area = QRect(QPoint(FromMillionths(unit.BegX, source.width()), FromMillionths(unit.BegY, source.height())),
                                 QPoint(FromMillionths(unit.EndX, source.width()) - 1,
                                        FromMillionths(unit.EndY, source.height()) - 1))
                               .normalized()
                               .intersected(source.rect());
        if (!area.isEmpty())
            copy = source.copy(area);
    }
    QApplication::clipboard()->setImage(copy);
}

// --- closing ---------------------------------------------------------------------------------------

void TImageForm::closeEvent(QCloseEvent* event) {
    if (!m_closing && !m_closeAnswered && !m_host.ImageMayClose(*this)) {
        event->ignore();
        return;
    }
    m_closing = true;
    m_doc.Stop();
    m_doc.WaitWhileBusy();
    m_host.ImageNotify(*this, 3);
    event->accept();
}

} // namespace vantorel
