// Compiled into whatever links UiWebSocketPlugin: registers the WebSocket front end among the
// static plug-ins (the JSON front end it needs comes with UiJsonPlugin).
#include <QtPlugin>

Q_IMPORT_PLUGIN(UiPluginWebSocket)
