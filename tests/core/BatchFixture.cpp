#include "BatchFixture.h"

#include "TestFiles.h"
#include "keys/ZR7KeyFrom.h"

#include <QDir>
#include <QFile>
#include <QTest>

BatchFixture::BatchFixture() : driver(key, engine, interaction)
{
    QVERIFY(engine.allocate_buffers());
    engine.set_kdf_params({1, StreamFormat::MinMemLog});
    key.strKey = QByteArray("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!?");
    key.intKeySource = KeyRecord::Keyboard;
    setup.blnEncrypt = true;
    setup.blnOutputFilesSame = false;
    setup.blnSubdirectories = false;
    driver.secondsSinceMidnight = [this] {
        const double now = clock.front();
        if (clock.size() > 1)
            clock.pop_front();
        return now;
    };
    driver.now = [] { return QDateTime(QDate(2026, 12, 7), QTime(10, 20, 30)); };
}

void BatchFixture::Run(const QString& inputFolder, const QString& inputSpec,
                       const QString& outputFolder, const QString& outputSpec)
{
    QDir().mkpath(path(outputFolder));
    result = driver.Run(Request(inputFolder, inputSpec, outputFolder, outputSpec));
}

BatchRequest BatchFixture::Request(const QString& inputFolder, const QString& inputSpec,
                                   const QString& outputFolder, const QString& outputSpec) const
{
    BatchRequest request = BatchRequest::Of(setup);
    request.inputFolder = path(inputFolder);
    request.inputSpec = inputSpec;
    request.outputFolder = path(outputFolder);
    request.outputSpec = outputSpec;
    return request;
}

QString BatchFixture::path(const QString& relative) const
{
    QString folder = dir.path() + QLatin1Char('/');
    return relative.isEmpty() ? folder : folder + relative;
}

void BatchFixture::write(const QString& relative, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path(relative)).path());
    TestFiles::write(path(relative), data);
}

QByteArray BatchFixture::read(const QString& relative) const
{
    return TestFiles::read(path(relative));
}

void BatchFixture::writeEncrypted(const QString& relative, const QByteArray& plain)
{
    const QString plainPath = path(relative) + QStringLiteral(".plain");
    write(relative + QStringLiteral(".plain"), plain);
    engine.operation_initialization(ZR7KeyFrom::ExtendedKey(key.strKey.view()).text(), 1,
                                    plain.size(), 0);
    QCOMPARE(engine.encrypt_file(TestFiles::native(plainPath), TestFiles::native(path(relative))),
             EngineResult::Success);
    QFile::remove(plainPath);
}

QByteArray BatchFixture::decrypted(const QString& relative)
{
    const QString out = dir.path() + QStringLiteral("/.decrypted");
    engine.operation_initialization(ZR7KeyFrom::ExtendedKey(key.strKey.view()).text(), 0, 0, 0);
    if (engine.decrypt_file(TestFiles::native(path(relative)), TestFiles::native(out)) !=
        EngineResult::Success)
        return {};
    const QByteArray plain = TestFiles::read(out);
    QFile::remove(out);
    return plain;
}

QStringList BatchFixture::lines()
{
    return driver.report().text().split(QLatin1Char('\n'));
}
