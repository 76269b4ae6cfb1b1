#include "covers/CoverView.h"

#include "shell/Background.h"
#include "shell/Toolkit.h"

#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImageWriter>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace covers {

namespace {

// The first picture format the data offers in its own bytes, as browsers drag a picture.
QString pictureFormat(const QMimeData* data)
{
    const QStringList formats = data->formats();
    for (const QString& format : formats)
        if (format.startsWith(QLatin1String("image/")))
            return format;
    return {};
}

} // namespace

CoverView::CoverView(QWidget* parent, Taken taken) : QFrame(parent), m_taken(std::move(taken))
{
    setAcceptDrops(true);
}

void CoverView::SetImage(const QImage& image)
{
    m_image = image;
    m_scaled = QPixmap();
    update();
}

int CoverView::HeightAt(int width, int most) const
{
    if (m_image.isNull() || m_image.width() <= 0)
        return 0;
    return qMin(most, int(qint64(width) * m_image.height() / m_image.width()));
}

void CoverView::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (m_image.isNull())
        return;
    const QRect area = contentsRect();
    const qreal ratio = devicePixelRatioF();
    const QSize fit = m_image.size().scaled(area.size() * ratio, Qt::KeepAspectRatio);
    if (m_scaled.size() != fit) {
        m_scaled = QPixmap::fromImage(m_image.scaled(fit, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_scaled.setDevicePixelRatio(ratio);
    }
    const QSize shown = m_scaled.deviceIndependentSize().toSize();
    QPainter(this).drawPixmap(area.left() + (area.width() - shown.width()) / 2, area.top(), m_scaled);
}

bool CoverView::MayTake(const QMimeData* data)
{
    return data && (data->hasUrls() || data->hasImage() || !pictureFormat(data).isEmpty());
}

void CoverView::Take(const QMimeData* data)
{
    if (!MayTake(data))
        return;
    const QList<QUrl> urls = data->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        return TakeFile(urls.first().toLocalFile());
    const QString name = QStringLiteral("The dropped picture");
    if (const QString format = pictureFormat(data); !format.isEmpty()) {
        const QByteArray bytes = data->data(format);
        return start([bytes, name] { return PrepareCover(bytes, name); });
    }
    if (data->hasImage()) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, "png").write(qvariant_cast<QImage>(data->imageData()));
        return start([bytes, name] { return PrepareCover(bytes, name); });
    }
    shell::MsgBox(QStringLiteral("\"%1\" is not a file on this computer. Save the picture first, then drop the file.")
                      .arg(urls.first().toDisplayString()),
                  shell::vbOKOnly | shell::vbExclamation, shell::kAppCaption);
}

void CoverView::TakeFile(const QString& path)
{
    start([path] { return PrepareCoverFile(path); });
}

void CoverView::start(std::function<Prepared()> work)
{
    const int job = ++m_job;
    shell::StartInBackground(
        this, window(), {shell::kAppCaption, QStringLiteral("Reading the picture..."), QString()},
        [work = std::move(work)](shell::Work&) { return work(); },
        [this, job](const Prepared& result) {
            if (m_job != job)
                return; // its movie is no longer shown
            if (result.ok())
                m_taken(result.cover);
            else
                shell::MsgBox(result.error, shell::vbOKOnly | shell::vbExclamation, shell::kAppCaption);
        });
}

void CoverView::dragEnterEvent(QDragEnterEvent* event)
{
    if (isEnabled() && MayTake(event->mimeData()))
        event->acceptProposedAction();
}

void CoverView::dragMoveEvent(QDragMoveEvent* event)
{
    if (isEnabled() && MayTake(event->mimeData()))
        event->acceptProposedAction();
}

void CoverView::dropEvent(QDropEvent* event)
{
    if (!isEnabled() || !MayTake(event->mimeData()))
        return;
    event->acceptProposedAction();
    Take(event->mimeData());
}

void CoverView::TakeDropsOn(QWidget* window)
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool CoverView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
        dragEnterEvent(static_cast<QDragEnterEvent*>(event));
        return true;
    case QEvent::DragMove:
        dragMoveEvent(static_cast<QDragMoveEvent*>(event));
        return true;
    case QEvent::Drop:
        dropEvent(static_cast<QDropEvent*>(event));
        return true;
    default:
        return QFrame::eventFilter(watched, event);
    }
}

} // namespace covers
