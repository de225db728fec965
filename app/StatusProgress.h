// The main status bar's job panel: the active image's progress with the word for its job, or
// "Changed" / "Done.".
#pragma once

#include <QWidget>

namespace vantorel {

class StatusProgress : public QWidget {
public:
    explicit StatusProgress(QWidget* parent = nullptr);
    // percent < 0: no job; then `changed` chooses "Changed" (navy) or "Done.".
    void Show(const QString& word, int percent, int secondPercent, bool changed);
    QString Text() const;
    QSize sizeHint() const override { return {140, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_word;
    int m_percent = -1;
    int m_second = -1;
    bool m_changed = false;
};

} // namespace vantorel
