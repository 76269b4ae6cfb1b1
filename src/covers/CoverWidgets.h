#pragma once

#include "covers/CoverImage.h"

#include <QGroupBox>
#include <optional>

class QPushButton;

namespace store {
class Connection;
}

namespace covers {

class CoverView;

// The cover in the main window's quick-info panel: the thumbnail of the movie shown, and a picture
// dropped on the panel becomes that movie's cover at once.
class PanelCover : public QObject
{
    Q_OBJECT
public:
    explicit PanelCover(QWidget* panel);

    CoverView* View() const { return m_view; }
    void Show(const store::Connection& db, qint64 movieId);
    void Clear(); // no movie

signals:
    void Changed(); // the cover shown came or went, so its height changed

private:
    void show(qint64 movieId, const QImage& image);

    CoverView* m_view;
    qint64 m_movie = 0;
};

// The editor's cover: the picture, "Cover..." and "Remove Cover"; a picture dropped on the editor
// or pasted into the picture sets it. Like every other field of the editor, a change waits for the
// movie's save, which calls SaveWith inside its own transaction and Saved after it; leaving or
// clearing the form drops it.
class EditorCover : public QGroupBox
{
    Q_OBJECT
public:
    explicit EditorCover(QWidget* editor);

    void Load(const store::Connection& db, qint64 movieId);
    void Clear(); // a new movie
    void SaveWith(store::Connection& db, qint64 movieId);
    void Saved();
    // A picture from elsewhere (an online poster), pending like a dropped one.
    void Take(const Cover& cover) { take(cover); }
    bool HasPicture() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void take(const Cover& cover);
    void chooseFile();
    void remove();
    void enableRemove();

    CoverView* m_view;
    QPushButton* m_choose;
    QPushButton* m_remove;
    std::optional<Cover> m_pending; // a picture to store with the movie
    bool m_removed = false;         // or its cover to remove
};

} // namespace covers
