#include "appsettings.h"
#include "testsupport.h"

#include <QtTest>

class TestAppSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::isolateSettings(); }
    void placeholder() { QVERIFY(AppSettings::instance()); }
};

QTEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
