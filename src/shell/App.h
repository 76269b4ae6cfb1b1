#pragma once

#include <QString>

namespace shell {

// What the program knows of itself: its folder, title, version and whether it runs twice.
class App
{
public:
    // The executable's folder without a trailing separator; tests point it, and the catalogue, elsewhere.
    static QString Path();
    static void SetPath(const QString& path);

    // Starts as "Reelkeeper"; the name settings and the single-instance handshake go by.
    static QString Title();
    static void SetTitle(const QString& title);

    static int Major() { return REELKEEPER_VERSION_MAJOR; }
    static int Minor() { return REELKEEPER_VERSION_MINOR; }
    static int Revision() { return REELKEEPER_VERSION_PATCH; }

    static QString HelpFile();
    static void SetHelpFile(const QString& file);

    // Set at start when another live instance holds the claim on the title.
    static bool PrevInstance();
    static void SetPrevInstance(bool running);
};

// The title of the movie the user works on, shared by the main window and the editors.
QString& CurrentMovieTitle();
// Its key, where the window that named it knew one; 0 otherwise. Trusted only while the stored
// movie of that key still has that title.
qint64& CurrentMovieId();

} // namespace shell
