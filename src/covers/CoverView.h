#pragma once

#include "covers/CoverImage.h"

#include <QFrame>
#include <QImage>
#include <QPixmap>
#include <functional>

class QMimeData;

namespace covers {

// Shows a cover scaled to its width with the aspect kept, and nothing when there is none. Takes a
// picture dropped on it (a file, or a picture dragged from a browser) and, for the editor, pasted.
// Pictures are read off the user-interface thread; one that takes long shows a progress window
// with Cancel. A refused picture is told in a message that names it.
class CoverView : public QFrame
{
    Q_OBJECT
public:
    using Taken = std::function<void(const Cover& cover)>;
    CoverView(QWidget* parent, Taken taken);

    void SetImage(const QImage& image); // a null image shows nothing
    bool HasImage() const { return !m_image.isNull(); }
    QSize ImageSize() const { return m_image.size(); }
    // The height the cover takes at `width` pixels, at most `most`; 0 without one.
    int HeightAt(int width, int most) const;

    // Whether the data holds something that may be a picture, and taking it.
    static bool MayTake(const QMimeData* data);
    void Take(const QMimeData* data);
    void TakeFile(const QString& path);
    // A picture still being read is dropped when it comes: its movie is no longer shown.
    void Abandon() { ++m_job; }

    // Watches `window` for drops on any part of it that takes none itself.
    void TakeDropsOn(QWidget* window);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void start(std::function<Prepared()> work);

    Taken m_taken;
    QImage m_image;
    QPixmap m_scaled;
    int m_job = 0;
};

} // namespace covers
