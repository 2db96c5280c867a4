// Compiled into whatever links UiJsonPlugin: registers the JSON front end among the static plug-ins.
#include <QtPlugin>

Q_IMPORT_PLUGIN(UiPluginJson)
