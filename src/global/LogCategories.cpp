#include "LogCategories.h"

namespace tessarovin
{

Q_LOGGING_CATEGORY(appupdate, "appupdate")
Q_LOGGING_CATEGORY(automatic, "automatic")
Q_LOGGING_CATEGORY(card, "card")
Q_LOGGING_CATEGORY(card_drivers, "card_drivers")
Q_LOGGING_CATEGORY(card_pcsc, "card_pcsc")
Q_LOGGING_CATEGORY(card_remote, "card_remote")
Q_LOGGING_CATEGORY(card_simulator, "card_simulator")
Q_LOGGING_CATEGORY(configuration, "configuration")
Q_LOGGING_CATEGORY(developermode, "developermode")
Q_LOGGING_CATEGORY(diagnosis, "diagnosis")
Q_LOGGING_CATEGORY(feedback, "feedback")
Q_LOGGING_CATEGORY(fileprovider, "fileprovider")
Q_LOGGING_CATEGORY(gui, "gui")
Q_LOGGING_CATEGORY(ifd, "ifd")
Q_LOGGING_CATEGORY(init, "init")
Q_LOGGING_CATEGORY(json, "json")
Q_LOGGING_CATEGORY(language, "language")
Q_LOGGING_CATEGORY(network, "network")
Q_LOGGING_CATEGORY(paos, "paos")
Q_LOGGING_CATEGORY(qml, "qml")
Q_LOGGING_CATEGORY(rproxy, "rproxy")
Q_LOGGING_CATEGORY(secure, "secure", QtFatalMsg)
Q_LOGGING_CATEGORY(securestorage, "securestorage")
Q_LOGGING_CATEGORY(settings, "settings")
Q_LOGGING_CATEGORY(statemachine, "statemachine")
Q_LOGGING_CATEGORY(support, "support")
Q_LOGGING_CATEGORY(system, "system")
Q_LOGGING_CATEGORY(update, "update")
Q_LOGGING_CATEGORY(webservice, "webservice")
Q_LOGGING_CATEGORY(websocket, "websocket")

} // namespace tessarovin
