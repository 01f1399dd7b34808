#pragma once

#include <QRasterWindow>
#include <QString>

namespace kiv {

// A small window of its own with a message, for a start that ends before
// the program's window exists. It closes on a tap or by itself.
class NoticeWindow : public QRasterWindow
{
    Q_OBJECT

public:
    NoticeWindow(const QString& caption, const QString& text);

    // Shows the window, which closes after `milliseconds` unless tapped or
    // closed before.
    void showFor(int milliseconds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_caption;
    QString m_text;
};

} // namespace kiv
