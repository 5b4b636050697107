#include "FakeCaptureService.h"
#include "FakeSavePanel.h"
#include "TemporaryHome.h"
#include "clipboard/QtClipboard.h"
#include "library/RecentCaptureStore.h"
#include "support/OrvantaError.h"
#include "support/ReferenceDate.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {
QJsonArray readIndex(const RecentCaptureStore &store)
{
    QFile file(store.indexFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).array();
}

void writeIndex(const RecentCaptureStore &store, const QByteArray &json)
{
    QDir().mkpath(store.directory());
    QFile file(store.indexFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(json);
}

const char *const validRecord =
    R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","sourceAppName":"A",)"
    R"("frameDescription":"F","imageWidth":1,"imageHeight":1,"capturedAt":0,"fileName":"x.png"})";

QStringList pngFiles(const RecentCaptureStore &store)
{
    return QDir(store.directory()).entryList({u"*.png"_s}, QDir::Files, QDir::Name);
}
} // namespace

class RecentCaptureStoreTest : public QObject
{
    Q_OBJECT
private:
    TemporaryHome m_home;
    QtClipboard m_clipboard;
    FakeSavePanel m_savePanel;

    RecentCaptureStore makeStore(const QString &name = u"store"_s)
    {
        return RecentCaptureStore(m_home.path() + QLatin1Char('/') + name + u"/Orvanta/RecentCaptures"_s, &m_clipboard,
                                  &m_savePanel);
    }

private Q_SLOTS:
    void recordWritesPngAndIndexNewestFirst()
    {
        RecentCaptureStore store = makeStore(u"format"_s);
        CapturedSelection first = FakeCaptureService::makeSelection(QSize(40, 30), Qt::red);
        first.capturedAt = QDateTime(QDate(2001, 1, 1), QTime(1, 0), QTimeZone::utc());
        const CapturedSelection second = FakeCaptureService::makeSelection(QSize(20, 10), Qt::blue);
        store.record(first);
        const QList<RecentCaptureItem> items = store.record(second);

        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0].id, second.id);
        QCOMPARE(items[1].id, first.id);
        QCOMPARE(items[1].imageSize, QSizeF(40, 30));
        QCOMPARE(items[1].capturedAt, first.capturedAt);
        QCOMPARE(items[1].previewImage.image().pixelColor(0, 0), QColor(Qt::red));

        QFile index(store.indexFilePath());
        QVERIFY(index.open(QIODevice::ReadOnly));
        const QByteArray raw = index.readAll();
        const QString id = first.id.toString(QUuid::WithoutBraces).toUpper();
        const QByteArray expected =
            uR"({"id":"%1","sourceAppName":"Text Editor","frameDescription":"40 x 30 at x:10 y:20",)"
            uR"("imageWidth":40,"imageHeight":30,"capturedAt":3600,"fileName":"%1.png"})"_s.arg(id)
                .toUtf8();
        QCOMPARE(QJsonDocument::fromJson(raw).array().at(1).toObject(), QJsonDocument::fromJson(expected).object());
        QCOMPARE(QFileInfo(store.directory()).permissions() & QFile::Permissions::fromInt(0x7077),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void tenthCaptureDropsTheOldestFileAndARepeatMovesToTheFront()
    {
        RecentCaptureStore store = makeStore(u"ten"_s);
        QList<CapturedSelection> selections;
        for (int i = 0; i < 10; ++i) {
            selections.append(FakeCaptureService::makeSelection(QSize(8, 8)));
            store.record(selections.last());
        }
        QList<RecentCaptureItem> items = store.loadItems();
        QCOMPARE(items.size(), 9);
        QCOMPARE(items.first().id, selections.last().id);
        QCOMPARE(items.last().id, selections[1].id);
        QCOMPARE(pngFiles(store).size(), 9);
        QVERIFY(!pngFiles(store).contains(selections.first().id.toString(QUuid::WithoutBraces).toUpper() + u".png"_s));
        items = store.record(selections[5]);
        QCOMPARE(items.size(), 9);
        QCOMPARE(items[0].id, selections[5].id);
        QCOMPARE(items[1].id, selections.last().id);
    }

    void damagedImagesAreDroppedAndTheIndexRewritten()
    {
        for (const bool deleted : {true, false}) {
            RecentCaptureStore store = makeStore(deleted ? u"deleted"_s : u"truncated"_s);
            const CapturedSelection kept = FakeCaptureService::makeSelection(QSize(300, 200));
            store.record(kept);
            QFile file(store.record(FakeCaptureService::makeSelection(QSize(300, 200), Qt::yellow)).first().fileURL);
            QVERIFY(deleted ? file.remove() : file.resize(file.size() / 2));
            const QList<RecentCaptureItem> items = store.loadItems();
            QCOMPARE(items.size(), 1);
            QCOMPARE(items.first().id, kept.id);
            QCOMPARE(readIndex(store).size(), 1);
        }
    }

    void unreadableIndexGivesAnEmptyLibrary_data()
    {
        QTest::addColumn<QByteArray>("index");
        QTest::newRow("not json") << QByteArray("{{{");
        QTest::newRow("object instead of array") << QByteArray("{}");
        const auto row = [](const char *name, const char *from, const char *to) {
            QTest::newRow(name) << "[" + QByteArray(validRecord).replace(from, to) + "]";
        };
        row("record without fileName", R"(,"fileName":"x.png")", "");
        row("width as string", R"("imageWidth":1)", R"("imageWidth":"1")");
        row("id not a uuid", "6F9619FF-8B86-D011-B42D-00C04FC964FF", "nope");
        row("file outside the store", "x.png", "../outside.png");
    }
    void unreadableIndexGivesAnEmptyLibrary()
    {
        QFETCH(QByteArray, index);
        RecentCaptureStore store = makeStore(u"bad-index-"_s + QString::fromUtf8(QTest::currentDataTag()));
        store.record(FakeCaptureService::makeSelection());
        // A readable image beside the store, which no index may name or remove.
        const QString outside = store.directory() + u"/../outside.png"_s;
        QVERIFY(FakeCaptureService::makeSelection().cgImage.save(outside));
        writeIndex(store, index);
        QVERIFY(store.loadItems().isEmpty());
        // The next capture starts a fresh index instead of failing.
        QCOMPARE(store.record(FakeCaptureService::makeSelection()).size(), 1);
        QVERIFY(QFile::exists(outside));
    }

    void recordFailuresThrowAndLeaveNoImage()
    {
        for (const bool folderBlocked : {true, false}) { // otherwise the image is missing
            QTemporaryDir dir;
            if (folderBlocked) {
                QFile blocker(dir.filePath(u"Orvanta"_s));
                QVERIFY(blocker.open(QIODevice::WriteOnly));
            }
            RecentCaptureStore store(dir.filePath(u"Orvanta/RecentCaptures"_s), &m_clipboard, &m_savePanel);
            CapturedSelection selection = FakeCaptureService::makeSelection();
            if (!folderBlocked)
                selection.cgImage = QImage();
            QVERIFY_THROWS_EXCEPTION(LibraryError, store.record(selection));
            QVERIFY(pngFiles(store).isEmpty());
        }
    }

    void indexThatCannotBeWrittenIsLoggedAndLeavesNoImage()
    {
        RecentCaptureStore store = makeStore(u"unwritable-index"_s);
        QVERIFY(QDir().mkpath(store.indexFilePath())); // a folder where the index belongs
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"^\\[RecentCaptureStore\\] Failed to persist records: "_s));
        QVERIFY(store.record(FakeCaptureService::makeSelection()).isEmpty());
        QVERIFY(pngFiles(store).isEmpty()); // no index names it, so it does not stay
    }

    void restoredSelectionIsANewCaptureOfTheSameImage()
    {
        RecentCaptureStore store = makeStore(u"restore"_s);
        const CapturedSelection original = FakeCaptureService::makeSelection(QSize(200, 100), Qt::magenta);
        const RecentCaptureItem item = store.record(original).first();
        const std::optional<CapturedSelection> restored = store.restoredSelection(item);
        QVERIFY(restored && restored->id != original.id);
        QVERIFY(!restored->referenceDisplayFrame && !restored->selectionRect.isEmpty());
        QCOMPARE(restored->sourceAppName, original.sourceAppName);
        QCOMPARE(restored->imageSize, original.imageSize);
        QCOMPARE(restored->cgImage.pixelColor(5, 5), QColor(Qt::magenta));

        QFile(item.fileURL).resize(40); // the header still reads, the pixels do not
        RecentCaptureItem stale = item;
        stale.previewImage = StoredCaptureImage(item.fileURL, item.previewImage.pixelSize());
        QVERIFY(!store.restoredSelection(stale));
    }

    void placementOfRestoredSelections()
    {
        // Visible frame 0,0 1440x900: at most 403.2 x 198 before the minimums.
        const struct
        {
            QSizeF image;
            QRectF expected;
        } rows[] = {{QSizeF(2000, 1000), QRectF(522, 351, 396, 198)}, // scaled down
                    {QSizeF(100, 50), QRectF(610, 380, 220, 140)},    // never enlarged
                    {QSizeF(300, 3000), QRectF(610, 351, 220, 198)},  // tall
                    {QSizeF(1, 1), QRectF(610, 380, 220, 140)}};      // one-pixel sides are not divided by
        for (const auto &row : rows) {
            QCOMPARE(RecentCaptureStore::restoredSelectionRect(row.image, QRectF(0, 0, 1440, 900)), row.expected);
            QCOMPARE(RecentCaptureStore::restoredSelectionRect(row.image, std::nullopt), row.expected);
        }
    }

    void savingCopiesTheStoredBytesUnderTheSuggestedName()
    {
        RecentCaptureStore store = makeStore(u"save"_s);
        const RecentCaptureItem item = store.record(FakeCaptureService::makeSelection()).first();
        QTemporaryDir target;
        QList<SaveCaptureOutcome> outcomes;
        const auto collect = [&](const SaveCaptureOutcome &outcome) { outcomes.append(outcome); };

        m_savePanel.chosenPath = target.filePath(u"copy.png"_s);
        store.saveImageUsingSavePanel(item, collect);
        m_savePanel.chosenPath = std::nullopt;
        store.saveImageUsingSavePanel(item, collect);
        m_savePanel.chosenPath = target.filePath(u"missing-folder/copy.png"_s);
        store.saveImageUsingSavePanel(item, collect);

        QCOMPARE(outcomes.size(), 3);
        QCOMPARE(outcomes[0].savedPath, std::optional<QString>(target.filePath(u"copy.png"_s)));
        QFile original(item.fileURL), copy(target.filePath(u"copy.png"_s));
        QVERIFY(original.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), original.readAll());
        QCOMPARE(outcomes[1], SaveCaptureOutcome{});
        QVERIFY(!outcomes[2].savedPath && outcomes[2].errorMessage && !outcomes[2].errorMessage->isEmpty());
        QCOMPARE(m_savePanel.suggestedNames.first(), RecentCaptureStore::suggestedFileName(item.capturedAt));
    }
};

QTEST_MAIN(RecentCaptureStoreTest)
#include "tst_recent_capture_store.moc"
