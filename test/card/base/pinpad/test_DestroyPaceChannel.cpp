#include "pinpad/DestroyPaceChannel.h"

#include "TestEnvironment.h"

using namespace tessarovin;

class test_DestroyPaceChannel
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void commandData()
		{
			QCOMPARE(DestroyPaceChannel::createCommandData(), QByteArray::fromHex("030000"));
		}


};

KENDRAWELL_TEST_MAIN(test_DestroyPaceChannel)
#include "test_DestroyPaceChannel.moc"
