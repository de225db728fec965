// The window of one open image: its document, the source and result views with their zoom,
// scrolling and mouse tools, the caption and the status line.
#pragma once

#include "ImageDocument.h"
#include "ImageView.h"
#include "SelectionDrawing.h"
#include "StatusPanel.h"

#include <QPointer>
#include <QWidget>

class QScrollArea;

namespace vantorel {

class TImageForm;

// What an image window needs from the main window.
class ImageFormHost {
public:
    virtual ~ImageFormHost() = default;
    // The document's notification: 0 activated, 1 changed, 3 closing. The main window takes it over
    // in its idle pass.
    virtual void ImageNotify(TImageForm& form, int code) = 0;
    // The close question (unsaved results): true when the window may close.
    virtual bool ImageMayClose(TImageForm& form) = 0;
    // A load that failed: the window shows nothing and is closed by the main window.
    virtual void ImageLoadFailed(TImageForm& form, const QString& error) = 0;
    virtual void ImageMessage(const QString& text) = 0;
    // The status line's display options word ("ImageInfoOptions").
    virtual int StatusOptionsWord() const = 0;
    virtual void ImageContextMenu(TImageForm& form, const QPoint& globalPosition) = 0;
};

class TImageForm : public QWidget {
public:
    enum Tool { kMoveTool = 1, kZoomTool = 2, kSelectionTool = 3, kCropTool = 4, kRedEyeTool = 5 };

    TImageForm(const Preferences& preferences, ImageFormHost& host, QWidget* parent = nullptr);
    ~TImageForm() override;

    ImageDocument& Document() { return m_doc; }
    const ImageDocument& Document() const { return m_doc; }

    // --- loading (each ends with the initial zoom and the document's first compression) ------
    // Reads the file on a worker; `ownFile`: opened through the open dialog.
    void LoadFromFile(const QString& fileName, bool ownFile);
    void LoadFromBitmap(const QImage& picture, const QString& name);
    void LoadFromWindow(const TImageForm& other);

    // --- views ----------------------------------------------------------------------------------
    int Arrangement() const { return m_arrangement; }
    void SetArrangement(int arrangement); // 0 side by side, 1 stacked, 2 result only
    int CurrentTool() const { return m_tool; }
    void SetTool(int tool);
    int SelectionShape() const { return m_shape; }
    void SetSelectionShape(int shape); // 0 rectangle, 1 ellipse, 2 polygon
    int Zoom() const { return m_zoom; }
    void SetZoom(int zoom);
    void SetZoomKeepingCentre(int zoom);
    int FitZoom() const;
    void ZoomToFit() { SetZoomKeepingCentre(FitZoom()); }
    void SetInitialZoom(int initImageScale);
    void Centre();
    // Grows or shrinks the window (its sub-window frame when it has one) to show the whole
    // picture within `freeArea` (parent coordinates).
    void FitWindow(const QRect& freeArea);
    void ShowSourceAsResult(bool on);
    bool SourceAsResult() const { return m_sourceAsResult; }
    void DeleteLastUnit();
    void DeleteAllUnits();
    bool UnitsHidden() const { return m_unitsHidden; }
    void SetUnitsHidden(bool hidden);
    bool HasUnits() const { return !m_doc.Units.empty(); }
    bool SelectionCopyPossible() const;
    // Copies the last rectangle's part of the source, or the whole source, to the clipboard.
    void CopyToClipboard() const;
    // The picture the result view shows (the source while quick-compare is held).
    const QImage& ShownResult() const { return m_resView->Picture(); }
    ImageView& SourceView() { return *m_srcView; }
    ImageView& ResultView() { return *m_resView; }

    // "Source: [w x h]x bpp FORMAT" for the main window's status bar.
    QString InformationLine() const;
    void UpdateCaption();
    // Recomputes the status figures and repaints the status line.
    void RefreshStatus();
    const StatusPanel& SourceStatus() const { return *m_srcStatus; }
    const StatusPanel& ResultStatus() const { return *m_resStatus; }

    // The main window's tick: a continuous zoom in progress.
    bool TimedWork() const { return m_zooming; }
    void TimerEvent();

    // The notification posted since the main window's last take-over (-1 none).
    int TakeNotification();
    bool FirstIdlePass = true;
    bool Closing() const { return m_closing; }
    // The close question was answered already (the main window asks every window before it closes
    // any), so closing asks nothing more.
    void SetCloseAnswered() { m_closeAnswered = true; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The current tool's cursor in the views, or while a button is held.
    QCursor ToolCursorOf(bool pressed) const;
    void LayOut();
    void ApplyZoom(int zoom);
    QPointF CentreFractions() const;
    void ScrollToFractions(QPointF fractions);
    void ResultChanged();
    void LoadEnded(bool ok, const QString& error);
    void AfterLoad();
    QPoint ToImage(QPoint viewPoint) const;
    QPoint ToView(int millionthsX, int millionthsY) const;
    void PaintUnits(QPainter& painter, int view) const;
    void MousePress(int view, QMouseEvent* event);
    void MouseMove(int view, QMouseEvent* event);
    void MouseRelease(int view, QMouseEvent* event);
    void SyncScroll(const QScrollArea& from);
    void UnitsChanged();
    QSize PictureSize() const;

    ImageFormHost& m_host;
    Preferences m_prefs;
    ImageDocument m_doc;
    QScrollArea* m_srcScroll = nullptr;
    QScrollArea* m_resScroll = nullptr;
    ImageView* m_srcView = nullptr;
    ImageView* m_resView = nullptr;
    StatusPanel* m_srcStatus = nullptr;
    StatusPanel* m_resStatus = nullptr;
    SelectionDrawing m_drawing;
    int m_arrangement = 0;
    int m_tool = kMoveTool;
    bool m_cursorsSet = false; // the views have the tool's cursor
    int m_shape = 0;
    int m_zoom = 100;
    bool m_unitsHidden = false;
    bool m_sourceAsResult = false;
    bool m_closing = false;
    bool m_closeAnswered = false;
    bool m_syncing = false;
    // dragging and the continuous zoom
    QPoint m_dragOrigin;
    int m_browseDirection = 1;
    int m_dragCounter = 0;
    bool m_zooming = false;
    QPointF m_zoomTarget;
    int m_zoomStep = 0;
    Qt::MouseButton m_zoomButton = Qt::NoButton;
    QPoint m_rubberEnd; // image pixels: the rubber line of a polygon being drawn
    int m_notification = -1;
    int m_initImageScale = 0;
};

} // namespace vantorel
