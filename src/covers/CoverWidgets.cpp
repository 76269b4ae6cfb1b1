#include "covers/CoverWidgets.h"

#include "covers/CoverStore.h"
#include "covers/CoverView.h"
#include "shell/ErrorReport.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <algorithm>

namespace covers {

namespace {

// Stores or removes a saved movie's cover in a transaction of its own.
template <class F> bool change(F&& write)
{
    return shell::Guarded([&] {
        store::Connection db = store::OpenDatabase();
        store::Transaction unit(db);
        write(db);
        unit.commit();
    });
}

} // namespace

PanelCover::PanelCover(QWidget* panel)
    : QObject(panel), m_view(new CoverView(panel, [this](const Cover& cover) {
          const qint64 movie = m_movie;
          if (movie == 0)
              return;
          change([&](store::Connection& db) { SaveCover(db, movie, cover); });
          shell::Guarded([&] { Show(store::OpenDatabase(), movie); });
      }))
{
    m_view->setObjectName(QStringLiteral("imgCover"));
    m_view->TakeDropsOn(panel);
}

void PanelCover::Show(const store::Connection& db, qint64 movieId)
{
    show(movieId, Thumbnail(db, movieId));
}

void PanelCover::Clear()
{
    show(0, {});
}

void PanelCover::show(qint64 movieId, const QImage& image)
{
    const QSize had = m_view->HasImage() ? m_view->ImageSize() : QSize();
    if (movieId != m_movie)
        m_view->Abandon(); // a picture dropped for the movie shown before must not land on this one
    m_movie = movieId;
    m_view->setEnabled(movieId != 0); // nothing to drop a picture on
    m_view->SetImage(image);
    if (had != (image.isNull() ? QSize() : image.size()))
        emit Changed();
}

EditorCover::EditorCover(QWidget* editor)
    : QGroupBox(QStringLiteral("Cover"), editor), m_view(new CoverView(this, [this](const Cover& c) { take(c); })),
      m_choose(new QPushButton(QStringLiteral("Cover..."), this)),
      m_remove(new QPushButton(QStringLiteral("Remove Cover"), this))
{
    setObjectName(QStringLiteral("fraCover"));
    QFont bold = shell::WindowFont(8.25, true);
    bold.setPointSizeF(8.25);
    setFont(bold);
    m_view->setObjectName(QStringLiteral("imgCover"));
    m_view->setFrameShape(QFrame::StyledPanel);
    m_view->setFocusPolicy(Qt::StrongFocus); // so a picture can be pasted into it
    m_view->installEventFilter(this);
    m_view->TakeDropsOn(editor);
    m_choose->setObjectName(QStringLiteral("cmdCover"));
    m_remove->setObjectName(QStringLiteral("cmdRemoveCover"));
    for (QPushButton* button : {m_choose, m_remove}) {
        QFont font = shell::WindowFont(9.75, true);
        font.setPointSizeF(9.75);
        button->setFont(font);
        button->setAutoDefault(false);
    }
    shell::PlaceTwips(m_view, 120, 300, 2160, 4080);
    shell::PlaceTwips(m_choose, 120, 4500, 2160, 465);
    shell::PlaceTwips(m_remove, 120, 5040, 2160, 465);
    connect(m_choose, &QPushButton::clicked, this, [this] { chooseFile(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { remove(); });
    enableRemove();
}

void EditorCover::Load(const store::Connection& db, qint64 movieId)
{
    m_view->Abandon();
    Saved();
    m_view->SetImage(Thumbnail(db, movieId));
    enableRemove();
}

void EditorCover::Clear()
{
    m_view->Abandon();
    Saved();
    m_view->SetImage({});
    enableRemove();
}

void EditorCover::SaveWith(store::Connection& db, qint64 movieId)
{
    if (m_pending)
        SaveCover(db, movieId, *m_pending);
    else if (m_removed)
        RemoveCover(db, movieId);
}

void EditorCover::Saved()
{
    m_pending.reset();
    m_removed = false;
}

void EditorCover::take(const Cover& cover)
{
    m_pending = cover;
    m_removed = false;
    m_view->SetImage(QImage::fromData(cover.thumbnail));
    enableRemove();
}

void EditorCover::remove()
{
    m_pending.reset();
    m_removed = true;
    m_view->SetImage({});
    enableRemove();
}

void EditorCover::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    // The buttons keep to the bottom and the picture takes what is left, however tall the editor makes it.
    const double tall = height() * 1440.0 / std::max(1, shell::TwipsToPixelsY(1440));
    shell::PlaceTwips(m_remove, 120, tall - 540, 2160, 465);
    shell::PlaceTwips(m_choose, 120, tall - 1080, 2160, 465);
    shell::PlaceTwips(m_view, 120, 300, 2160, std::max(600.0, tall - 1500));
}

bool EditorCover::HasPicture() const
{
    return m_view->HasImage();
}

void EditorCover::enableRemove()
{
    m_remove->setEnabled(m_view->HasImage());
}

void EditorCover::chooseFile()
{
    // Pictures come from one folder at a time: the last one chosen, else the user's pictures.
    static QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QFileDialog dialog(window(), QStringLiteral("Cover"), folder);
    dialog.setObjectName(QStringLiteral("dlgCover"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(
        {QStringLiteral("Pictures (*.jpg *.jpeg *.png *.webp *.gif *.bmp)"), QStringLiteral("All files (*)")});
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        folder = dialog.directory().absolutePath();
        m_view->TakeFile(dialog.selectedFiles().first());
    }
}

bool EditorCover::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        m_view->Take(QApplication::clipboard()->mimeData());
        return true;
    }
    if (watched == m_view && event->type() == QEvent::ContextMenu) {
        QMenu menu;
        menu.addAction(QStringLiteral("Paste"), this, [this] { m_view->Take(QApplication::clipboard()->mimeData()); })
            ->setEnabled(CoverView::MayTake(QApplication::clipboard()->mimeData()));
        menu.addAction(QStringLiteral("Remove Cover"), this, [this] { remove(); })->setEnabled(m_view->HasImage());
        menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace covers
