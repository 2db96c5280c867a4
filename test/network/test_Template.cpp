#include "Template.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tessarovin;

using Parameters = QList<QPair<QString, QString>>;

class test_Template
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void render_data()
		{
			QTest::addColumn<QString>("text");
			QTest::addColumn<Parameters>("parameters");
			QTest::addColumn<QString>("expected");

			QTest::newRow("key twice, other key unset") << QStringLiteral("<${A}|${B}|${A}>")
													  << Parameters({{QStringLiteral("A"), QStringLiteral("x")}})
													  << QStringLiteral("<x||x>");
			QTest::newRow("unknown key leaves output unchanged") << QStringLiteral("[${A}]")
															   << Parameters({{QStringLiteral("A"), QStringLiteral("a")}, {QStringLiteral("C"), QStringLiteral("c")}})
															   << QStringLiteral("[a]");
			QTest::newRow("html characters escaped") << QStringLiteral("<p title=\"${A}\">${B}</p>")
												   << Parameters({{QStringLiteral("A"), QStringLiteral("\"><script>")}, {QStringLiteral("B"), QStringLiteral("R&D <b>'x'</b>")}})
												   << QStringLiteral("<p title=\"&quot;&gt;&lt;script&gt;\">R&amp;D &lt;b&gt;'x'&lt;/b&gt;</p>");
			QTest::newRow("no placeholder syntax") << QStringLiteral("$A {A} ${ ${A $}{A} $${A}")
												 << Parameters({{QStringLiteral("A"), QStringLiteral("v")}})
												 << QStringLiteral("$A {A} ${ ${A $}{A} $v");
			QTest::newRow("second value wins") << QStringLiteral("${A}")
											 << Parameters({{QStringLiteral("A"), QStringLiteral("first")}, {QStringLiteral("A"), QStringLiteral("second")}})
											 << QStringLiteral("second");
			QTest::newRow("value with placeholder stays literal") << QStringLiteral("${A}|${B}|${A}")
																<< Parameters({{QStringLiteral("A"), QStringLiteral("${B}")}, {QStringLiteral("B"), QStringLiteral("${A}")}})
																<< QStringLiteral("${B}|${A}|${B}");
			QTest::newRow("keys are case-sensitive") << QStringLiteral("${a}${A}")
												   << Parameters({{QStringLiteral("A"), QStringLiteral("1")}})
												   << QStringLiteral("1");
			QTest::newRow("empty key") << QStringLiteral("<${}>")
									 << Parameters({{QString(), QStringLiteral("e")}})
									 << QStringLiteral("<e>");
			QTest::newRow("nested brace") << QStringLiteral("${${A}}")
										<< Parameters({{QStringLiteral("A"), QStringLiteral("v")}})
										<< QStringLiteral("${v}");
			QTest::newRow("non-ASCII text and value") << QStringLiteral("Grüße ${A} €")
													<< Parameters({{QStringLiteral("A"), QStringLiteral("Straße")}})
													<< QStringLiteral("Grüße Straße €");
		}


		void render()
		{
			QFETCH(QString, text);
			QFETCH(Parameters, parameters);
			QFETCH(QString, expected);

			Template page(text);
			for (const auto& [key, value] : std::as_const(parameters))
			{
				page.setContextParameter(key, value);
			}
			QCOMPARE(page.render(), expected);
		}


		void setContextParameterTellsKnownKeys()
		{
			LogCapture log;
			Template page(QStringLiteral("${A} ${B} ${A} $A {C} ${D"));

			QVERIFY(page.setContextParameter(QStringLiteral("A"), QStringLiteral("1")));
			QVERIFY(page.setContextParameter(QStringLiteral("B"), QStringLiteral("2")));
			QVERIFY(!page.setContextParameter(QStringLiteral("C"), QStringLiteral("3")));
			QVERIFY(!page.setContextParameter(QStringLiteral("D"), QStringLiteral("4")));
			QVERIFY(!page.setContextParameter(QStringLiteral("a"), QStringLiteral("5")));
			QCOMPARE(log.count(QStringLiteral("Ignoring unknown key:")), 3);
			QCOMPARE(log.count(QStringLiteral("Overwriting already set key:")), 0);

			QVERIFY(page.setContextParameter(QStringLiteral("A"), QStringLiteral("6")));
			QCOMPARE(log.count(QStringLiteral("Overwriting already set key: \"A\"")), 1);
		}


		void renderLogsUnsetKeysOnce()
		{
			Template page(QStringLiteral("${A}${B}${B}"));
			page.setContextParameter(QStringLiteral("A"), QStringLiteral("a"));

			LogCapture log;
			QCOMPARE(page.render(), QStringLiteral("a"));
			QCOMPARE(log.count(QStringLiteral("No parameter specified, replace with empty string:")), 1);
			QVERIFY(log.contains(QStringLiteral("No parameter specified, replace with empty string: \"B\"")));
		}


		void fromFile()
		{
			QTemporaryDir dir;
			QVERIFY(dir.isValid());
			const auto path = dir.filePath(QStringLiteral("page.html"));
			QFile file(path);
			QVERIFY(file.open(QIODevice::WriteOnly));
			file.write(QStringLiteral("<h1>${TITLE}</h1>\n<p>ä ${TEXT}</p>\n").toUtf8());
			file.close();

			auto page = Template::fromFile(path);
			QVERIFY(page.setContextParameter(QStringLiteral("TITLE"), QStringLiteral("Ü")));
			QVERIFY(page.setContextParameter(QStringLiteral("TEXT"), QStringLiteral("<x>")));
			QCOMPARE(page.render(), QStringLiteral("<h1>Ü</h1>\n<p>ä &lt;x&gt;</p>\n"));
		}


		void fromFileFailures_data()
		{
			QTest::addColumn<QString>("name");
			QTest::addColumn<QString>("message");

			QTest::newRow("missing") << QStringLiteral("missing.html") << QStringLiteral("Template file not found:");
			QTest::newRow("directory") << QStringLiteral("folder") << QStringLiteral("Template file not openable:");
		}


		void fromFileFailures()
		{
			QFETCH(QString, name);
			QFETCH(QString, message);

			QTemporaryDir dir;
			QVERIFY(dir.isValid());
			QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
			const auto path = dir.filePath(name);

			LogCapture log;
			auto page = Template::fromFile(path);
			QCOMPARE(log.count(message + QStringLiteral(" \"") + path + QLatin1Char('"')), 1);
			QVERIFY(!page.setContextParameter(QStringLiteral("TITLE"), QStringLiteral("x")));
			QCOMPARE(page.render(), QString());
		}


};

KENDRAWELL_TEST_MAIN(test_Template)
#include "test_Template.moc"
