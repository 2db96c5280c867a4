#include "Env.h"
#include "TestEnvironment.h"
class test_Env : public QObject { Q_OBJECT private Q_SLOTS: void dummy(){} };
KENDRAWELL_TEST_MAIN(test_Env)
#include "test_Env.moc"
