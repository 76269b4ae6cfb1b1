#pragma once

#include <QString>

// The eight HTML reports. Each writes its file onto the user's desktop, shows how far it has come
// on the report picker, and tells the user where the file went (or why it could not be written).
namespace ReportModule {

void PrintYearReport();
void PrintGenreReport();
void PrintComposerReport();
void PrintDirectorReport();
void PrintMovieTitleReport();
void PrintActorReport();
void PrintWidescreenReport();
void PrintStudioReport();

// Tests pin the folder and the date text; an empty value returns to the desktop and today's date.
void SetDesktopFolder(const QString& folder);
void SetReportDate(const QString& text);

} // namespace ReportModule
