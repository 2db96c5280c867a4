#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>

#include <memory>

namespace tessarovin
{

// The process's run from the application object to the exit code.

// Sets the application's static properties, then builds the application object. A session
// without a display gets the "offscreen" platform unless one is named.
std::unique_ptr<QApplication> createApplication(int& pArgc, char** pArgv);

// The information header of the log.
void printInfo();

// The arguments of a restarted copy: the program path dropped when the list still holds it,
// "--show" added unless present.
QStringList getRestartArguments(QStringList pArguments, int pArgc);

// Starts a detached copy of the program.
void restartApp(const QString& pPath, const QStringList& pArguments, int pArgc);

// The whole run: returns the exit code of the process.
int initApp(int& pArgc, char** pArgv);

} // namespace tessarovin
