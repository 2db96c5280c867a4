#include "ReaderFilter.h"

#include "TestEnvironment.h"

using namespace tessarovin;

namespace
{

QStringList names(const QList<ReaderInfo>& pInfos)
{
	QStringList result;
	for (const auto& info : pInfos)
	{
		result << info.getName();
	}
	return result;
}


} // namespace


class test_ReaderFilter
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void apply_data()
		{
			QTest::addColumn<ReaderFilter>("filter");
			QTest::addColumn<QStringList>("expected");

			const QStringList all({QStringLiteral("pcsc 1"), QStringLiteral("sim"), QStringLiteral("pcsc 2"), QStringLiteral("remote"), QStringLiteral("invalid")});
			QTest::newRow("default") << ReaderFilter() << all;
			QTest::newRow("empty list") << ReaderFilter(QList<ReaderManagerPluginType>()) << QStringList();
			QTest::newRow("PCSC") << ReaderFilter({ReaderManagerPluginType::PCSC}) << QStringList({QStringLiteral("pcsc 1"), QStringLiteral("pcsc 2")});
			QTest::newRow("order of the input") << ReaderFilter({ReaderManagerPluginType::REMOTE_IFD, ReaderManagerPluginType::PCSC})
												<< QStringList({QStringLiteral("pcsc 1"), QStringLiteral("pcsc 2"), QStringLiteral("remote")});
			QTest::newRow("UNKNOWN") << ReaderFilter({ReaderManagerPluginType::UNKNOWN}) << QStringList({QStringLiteral("invalid")});
			QTest::newRow("no match") << ReaderFilter({ReaderManagerPluginType::NFC}) << QStringList();
		}


		void apply()
		{
			QFETCH(ReaderFilter, filter);
			QFETCH(QStringList, expected);

			const QList<ReaderInfo> readers = {
				ReaderInfo(QStringLiteral("pcsc 1"), ReaderManagerPluginType::PCSC),
				ReaderInfo(QStringLiteral("sim"), ReaderManagerPluginType::SIMULATOR),
				ReaderInfo(QStringLiteral("pcsc 2"), ReaderManagerPluginType::PCSC),
				ReaderInfo(QStringLiteral("remote"), ReaderManagerPluginType::REMOTE_IFD),
				ReaderInfo(QStringLiteral("invalid"))
			};
			QCOMPARE(names(filter.apply(readers)), expected);
			QVERIFY(filter.apply({}).isEmpty());
		}


};

KENDRAWELL_TEST_MAIN(test_ReaderFilter)
#include "test_ReaderFilter.moc"
