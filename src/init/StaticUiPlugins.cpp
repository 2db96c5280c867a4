// The front ends are static plug-ins: importing them here puts them into the program, where the
// loader finds them by key ("--ui proxy").
#include <QtPlugin>

Q_IMPORT_PLUGIN(UiPluginProxy)
