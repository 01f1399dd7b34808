#include "app/NoticeWindow.h"

#include <QFont>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QScreen>
#include <QTimer>

namespace kiv {

namespace {
const QSize WindowSize(440, 170);
constexpr int Margin = 24;
} // namespace

NoticeWindow::NoticeWindow(const QString& caption, const QString& text)
    : m_caption(caption)
    , m_text(text)
{
    setTitle(caption);
    resize(WindowSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), WindowSize);
        frame.moveCenter(screen->availableGeometry().center());
        setPosition(frame.topLeft());
    }
}

void NoticeWindow::showFor(int milliseconds)
{
    show();
    raise();
    requestActivate();
    QTimer::singleShot(milliseconds, this, &QWindow::close);
}

void NoticeWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(QRect(QPoint(), size()), Qt::white);
    // Without a window manager's frame it would vanish on a white map.
    painter.setPen(QPen(Qt::darkGray, 2));
    painter.drawRect(QRect(QPoint(), size()).adjusted(1, 1, -1, -1));
    painter.setPen(Qt::black);
    const QRect area = QRect(QPoint(), size()).adjusted(Margin, Margin, -Margin, -Margin);
    QFont font = painter.font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop, m_caption);
    font.setPointSizeF(font.pointSizeF() / 1.4);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_text);
    painter.setPen(Qt::darkGray);
    painter.drawText(area, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Tap to close"));
}

void NoticeWindow::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    close();
}

} // namespace kiv
