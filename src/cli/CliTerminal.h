// What keyvane-cli reads and writes: the password questions (without echo at a terminal, one line of
// standard input or of another descriptor otherwise), the yes-or-no question, and the output.
#pragma once

#include <QString>

// Makes sure descriptors 0 to 2 are open before anything else opens a file: a closed one would be
// taken by the next file opened, and output meant for the terminal would land in it. A closed standard
// input reads as empty; a closed standard output or error is a failure (returns false, after saying so
// where it can).
bool CliCheckStandardStreams();

// Undoes the terminal's echo setting when a signal ends the run during a question.
void CliInstallSignalHandlers();

// The passwords come from descriptor fd, one line per question.
void CliSetPasswordFd(int fd);
// Asks for a password; raises "No password given." (exit 1) at the end of the input.
QString CliAskPassword(const QString& prompt);
// The yes-or-no question of a terminal ("[y/N]"); true without asking when standard input is not one.
bool CliConfirm(const QString& question);
bool CliInteractive();

// Writes to standard output; a failed write raises "Cannot write the output: <reason>" (exit 1).
void CliOut(const QString& text);
void CliOutBytes(const QByteArray& bytes);
// Flushes standard output, with the same failure.
void CliFlushOut();
void CliErr(const QString& text);
