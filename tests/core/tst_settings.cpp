#include "TemporaryHome.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/InMemoryKeyValueStore.h"
#include "settings/NotificationCenter.h"
#include "settings/QSettingsKeyValueStore.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {
using Shortcut = CaptureHotKeyShortcut;

// Counts writes so a test can tell "wrote nothing" from "wrote the same value".
class CountingStore : public InMemoryKeyValueStore
{
public:
    void setValue(const QString &key, const QVariant &value) override
    {
        writes.append(key);
        InMemoryKeyValueStore::setValue(key, value);
    }
    QStringList writes;
};

// Owner, group and other bits (the "user" bits repeat the owner's for the current user).
constexpr QFile::Permissions ownerGroupOther = QFile::Permissions::fromInt(0x7077);
} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storedValuesLoadExactly_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("loaded"); // a shortcut as keyCode/modifiers
        const auto row = [](const char *name, const QString &key, const QVariant &stored, const char *loaded) {
            QTest::newRow(name) << key << stored << QString::fromLatin1(loaded);
        };
        const QString theme = SettingsKeys::themePreference, panel = SettingsKeys::overlayPanelSizePreset,
                      language = SettingsKeys::languagePreference, shortcut = SettingsKeys::captureHotKey;
        row("theme in other case", theme, u"Dark"_s, "system");
        row("panel extraLarge", panel, u"extraLarge"_s, "extraLarge");
        row("panel unknown", panel, u"huge"_s, "medium");
        row("language japanese", language, u"japanese"_s, "japanese");
        row("language by display name", language, u"Japanese"_s, "auto");
        row("shortcut", shortcut, QByteArray(R"({"keyCode":1,"modifiers":2304})"), "1/2304");
        row("shortcut with extra keys", shortcut, QByteArray(R"({"modifiers":256,"keyCode":49,"x":true})"), "49/256");
        row("shortcut not json", shortcut, QByteArray("\x01\x02garbage"), "0/768");
        row("shortcut without modifiers", shortcut, QByteArray(R"({"keyCode":1})"), "0/768");
        row("shortcut negative", shortcut, QByteArray(R"({"keyCode":-1,"modifiers":256})"), "0/768");
        row("shortcut beyond 32 bits", shortcut, QByteArray(R"({"keyCode":4294967296,"modifiers":256})"), "0/768");
        row("shortcut fraction", shortcut, QByteArray(R"({"keyCode":1.5,"modifiers":256})"), "0/768");
        row("shortcut string number", shortcut, QByteArray(R"({"keyCode":"1","modifiers":256})"), "0/768");
    }
    void storedValuesLoadExactly()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, loaded);
        InMemoryKeyValueStore store;
        store.setValue(key, stored);
        const DeveloperSettingsStore settings(store, nullptr);
        const Shortcut shortcut = settings.captureHotKey();
        const QString actual = key == SettingsKeys::themePreference      ? rawValue(settings.themePreference())
                               : key == SettingsKeys::languagePreference ? rawValue(settings.languagePreference())
                               : key == SettingsKeys::overlayPanelSizePreset
                                   ? rawValue(settings.overlayPanelSizePreset())
                                   : u"%1/%2"_s.arg(shortcut.keyCode).arg(shortcut.modifiers);
        QCOMPARE(actual, loaded);
    }

    void settersWriteAndNotifyOnlyChangesAndPersistingWritesAllSeven()
    {
        CountingStore store;
        NotificationCenter notifications;
        DeveloperSettingsStore settings(store, &notifications);
        QSignalSpy changed(&settings, &DeveloperSettingsStore::changed);
        QSignalSpy posted(&notifications, &NotificationCenter::posted);
        settings.setThemePreference(AppThemePreference::system);
        settings.setOverlayPanelSizePreset(OverlayPanelSizePreset::medium);
        settings.setCaptureHotKey(Shortcut{});
        QVERIFY(store.writes.isEmpty());
        QCOMPARE(changed.count() + posted.count(), 0);

        const Shortcut shortcut{1, Shortcut::commandFlag | Shortcut::optionFlag};
        settings.setThemePreference(AppThemePreference::dark);
        settings.setLanguagePreference(AppLanguagePreference::german);
        settings.setOverlayPanelSizePreset(OverlayPanelSizePreset::extraLarge);
        settings.setCaptureHotKey(shortcut);
        QCOMPARE(store.writes, (QStringList{SettingsKeys::themePreference, SettingsKeys::languagePreference,
                                            SettingsKeys::overlayPanelSizePreset, SettingsKeys::captureHotKey}));
        QCOMPARE(store.value(SettingsKeys::overlayPanelSizePreset).toString(), u"extraLarge"_s);
        QCOMPARE(store.value(SettingsKeys::captureHotKey).toByteArray(),
                 QByteArray(R"({"keyCode":1,"modifiers":2304})"));
        QCOMPARE(changed.count(), 4);
        QCOMPARE(posted.count(), 1);
        QCOMPARE(posted.first().at(1).value<Shortcut>(), shortcut);
        const DeveloperSettingsStore reloaded(store, nullptr);
        QCOMPARE(reloaded.themePreference(), AppThemePreference::dark);
        QCOMPARE(reloaded.captureHotKey(), shortcut);

        // String settings are kept in memory until persistPreferences().
        settings.setHostedBackendBaseURL(u"http://127.0.0.1:9"_s);
        settings.setCognitoDomainURL(u"http://127.0.0.1:8080"_s);
        QCOMPARE(store.writes.size(), 4);
        store.writes.clear();
        settings.persistPreferences();
        QCOMPARE(store.writes, (QStringList{SettingsKeys::hostedBackendBaseURL, SettingsKeys::cognitoDomainURL,
                                            SettingsKeys::cognitoClientID, SettingsKeys::themePreference,
                                            SettingsKeys::languagePreference, SettingsKeys::overlayPanelSizePreset,
                                            SettingsKeys::captureHotKey}));
        QCOMPARE(store.value(SettingsKeys::hostedBackendBaseURL).toString(), u"http://127.0.0.1:9"_s);
        QCOMPARE(store.value(SettingsKeys::cognitoDomainURL).toString(), u"http://127.0.0.1:8080"_s);
        QCOMPARE(store.value(SettingsKeys::languagePreference).toString(), u"german"_s);
        QCOMPARE(posted.count(), 2);
    }

    void promptDecorationFollowsTheLanguage()
    {
        InMemoryKeyValueStore store;
        DeveloperSettingsStore settings(store, nullptr);
        QCOMPARE(settings.decoratePromptForPreferredLanguage(u"What is this?"_s), u"What is this?"_s);
        settings.setLanguagePreference(AppLanguagePreference::simplifiedChinese);
        QCOMPARE(settings.decoratePromptForPreferredLanguage(u"What is this?"_s),
                 u"Unless the user explicitly asks for another language, respond in Simplified Chinese.\n\n"
                 "User request:\nWhat is this?"_s);
    }

    void shortcutDisplayAndQtKeys()
    {
        const struct
        {
            quint32 keyCode, modifiers;
            const char *shown;
        } rows[] = {{0, 768, "Ctrl+Shift+A"}, // the default
                    {99, 768, "Ctrl+Shift+?"},
                    {18, 0x1B00, "Ctrl+Alt+Shift+Super+1"},
                    {29, 0, "0"},
                    {6, 0x1, "Z"}}; // bits that name no modifier are ignored
        for (const auto &row : rows) {
            const Shortcut shortcut{row.keyCode, row.modifiers};
            QCOMPARE(shortcut.displayString(), QLatin1StringView(row.shown));
            QCOMPARE(shortcut.isValid(), row.modifiers != 0);
        }
        for (quint32 code = 0; code < 128; ++code)
            if (const std::optional<int> qtKey = Shortcut::qtKeyForKeyCode(code))
                QCOMPARE(Shortcut::keyCodeForQtKey(*qtKey), std::optional<quint32>(code));
        QCOMPARE(Shortcut::keyCodeForQtKey(Qt::Key_F1), std::nullopt);
        const quint32 all = Shortcut::commandFlag | Shortcut::shiftFlag | Shortcut::optionFlag | Shortcut::controlFlag;
        QCOMPARE(Shortcut::modifiersForQtModifiers(Shortcut::qtModifiersForModifiers(all)), all);
        QCOMPARE(Shortcut::modifiersForQtModifiers(Qt::ControlModifier | Qt::MetaModifier),
                 Shortcut::commandFlag | Shortcut::controlFlag);
    }

    void settingsFileIsPrivateSurvivesReopeningAndNamesWhatAFullDiskLoses()
    {
        TemporaryHome home;
        const QString path = home.path() + u"/config/Orvanta/Orvanta.conf"_s;
        {
            QSettingsKeyValueStore store(path);
            DeveloperSettingsStore settings(store, nullptr);
            settings.setThemePreference(AppThemePreference::light);
            settings.setCaptureHotKey({9, Shortcut::commandFlag});
            store.setValue(u"orvanta.promptPreset.order"_s, QStringList{u"keyPoint"_s, u"explain"_s});
        }
        QCOMPARE(QFileInfo(path).permissions() & ownerGroupOther, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(QFileInfo(QFileInfo(path).path()).permissions() & ownerGroupOther,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // A file others could read (an older version's) loses their access when opened.
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::ReadGroup));

        QSettingsKeyValueStore reopened(path);
        QCOMPARE(QFileInfo(path).permissions() & ownerGroupOther, QFile::ReadOwner | QFile::WriteOwner);
        DeveloperSettingsStore settings(reopened, nullptr);
        QCOMPARE(settings.themePreference(), AppThemePreference::light);
        QCOMPARE(settings.captureHotKey(), (Shortcut{9, Shortcut::commandFlag}));
        QCOMPARE(reopened.value(u"orvanta.promptPreset.order"_s).toStringList(),
                 (QStringList{u"keyPoint"_s, u"explain"_s}));

        // Every write fails (a full disk), even for root: the lost change is named and kept in memory.
        rlimit original{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &original), 0);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit none{0, original.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &none), 0);
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(u"^Could not store orvanta\\.settings\\.themePreference in the settings"_s));
        settings.setThemePreference(AppThemePreference::dark);
        ::setrlimit(RLIMIT_FSIZE, &original);
        QCOMPARE(settings.themePreference(), AppThemePreference::dark);
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
