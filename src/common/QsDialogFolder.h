// Where a file dialog starts: the folder of the open passwords file, else the folder of the last file a
// dialog chose (kept in the settings, so it holds across runs), else the home folder; never the folder
// the program happened to be started in.
#pragma once

#include <QString>

QString QsDialogStartFolder();
// The main window names its open file here whenever it changes ("" when no file is open).
void QsSetOpenFileForDialogs(const QString& filePath);
// A file dialog's choice: its folder becomes the last folder used. An empty path (cancel) changes nothing.
void QsNoteDialogChoice(const QString& filePath);
