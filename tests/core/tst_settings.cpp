#include "TemporaryHome.h"
#include "hotkey/GlobalHotKeyError.h"
#include "settings/DeveloperSettingsStore.h"
#include "settings/InMemoryKeyValueStore.h"
#include "settings/NotificationCenter.h"
#include "settings/QSettingsKeyValueStore.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {
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

const CaptureHotKeyShortcut defaultShortcut{};
// Owner, group and other bits (the "user" bits repeat the owner's for the current user).
constexpr QFile::Permissions ownerGroupOther = QFile::Permissions::fromInt(0x7077);
} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultsWhenNothingIsStoredAndConstructionWritesNothing()
    {
        CountingStore store;
        DeveloperSettingsStore settings(store, nullptr);
        QCOMPARE(settings.hostedBackendBaseURL(), QStringLiteral("https://api.orvanta.app"));
        QCOMPARE(settings.cognitoDomainURL(), QStringLiteral("https://auth.orvanta.app"));
        QCOMPARE(settings.cognitoClientID(), QStringLiteral("4kq8zt1vr7mw2hx9pbn3yjd6ca"));
        QCOMPARE(settings.themePreference(), AppThemePreference::system);
        QCOMPARE(settings.languagePreference(), AppLanguagePreference::automatic);
        QCOMPARE(settings.overlayPanelSizePreset(), OverlayPanelSizePreset::medium);
        QCOMPARE(settings.captureHotKey(), (CaptureHotKeyShortcut{0, 768}));
        QVERIFY(store.writes.isEmpty());
    }

    void storedRawValuesMatchExactly_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("loaded");
        const auto row = [](const char *name, const QString &key, const char *stored, const char *loaded) {
            QTest::newRow(name) << key << stored << loaded;
        };
        row("theme dark", SettingsKeys::themePreference, "dark", "dark");
        row("theme in other case", SettingsKeys::themePreference, "Dark", "system");
        row("panel extraLarge", SettingsKeys::overlayPanelSizePreset, "extraLarge", "extraLarge");
        row("panel unknown", SettingsKeys::overlayPanelSizePreset, "huge", "medium");
        row("panel empty", SettingsKeys::overlayPanelSizePreset, "", "medium");
        row("language japanese", SettingsKeys::languagePreference, "japanese", "japanese");
        row("language auto", SettingsKeys::languagePreference, "auto", "auto");
        row("language by display name", SettingsKeys::languagePreference, "Japanese", "auto");
    }
    void storedRawValuesMatchExactly()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, loaded);
        InMemoryKeyValueStore store;
        store.setValue(key, stored);
        DeveloperSettingsStore settings(store, nullptr);
        const QString actual = key == SettingsKeys::themePreference      ? rawValue(settings.themePreference())
                               : key == SettingsKeys::languagePreference ? rawValue(settings.languagePreference())
                                                                         : rawValue(settings.overlayPanelSizePreset());
        QCOMPARE(actual, loaded);
    }

    void storedShortcutBlobs_data()
    {
        QTest::addColumn<QByteArray>("blob");
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::newRow("valid") << QByteArray(R"({"keyCode":1,"modifiers":2304})") << 1u << 2304u;
        QTest::newRow("extra keys ignored") << QByteArray(R"({"modifiers":256,"keyCode":49,"x":true})") << 49u << 256u;
        QTest::newRow("not json") << QByteArray("\x01\x02garbage") << 0u << 768u;
        QTest::newRow("missing modifiers") << QByteArray(R"({"keyCode":1})") << 0u << 768u;
        QTest::newRow("negative") << QByteArray(R"({"keyCode":-1,"modifiers":256})") << 0u << 768u;
        QTest::newRow("beyond 32 bits") << QByteArray(R"({"keyCode":4294967296,"modifiers":256})") << 0u << 768u;
        QTest::newRow("fraction") << QByteArray(R"({"keyCode":1.5,"modifiers":256})") << 0u << 768u;
        QTest::newRow("string number") << QByteArray(R"({"keyCode":"1","modifiers":256})") << 0u << 768u;
        QTest::newRow("array") << QByteArray("[1,256]") << 0u << 768u;
    }
    void storedShortcutBlobs()
    {
        QFETCH(QByteArray, blob);
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        InMemoryKeyValueStore store;
        store.setValue(SettingsKeys::captureHotKey, blob);
        DeveloperSettingsStore settings(store, nullptr);
        QCOMPARE(settings.captureHotKey(), (CaptureHotKeyShortcut{keyCode, modifiers}));
    }

    void enumerationSettersWriteOnlyChanges()
    {
        CountingStore store;
        DeveloperSettingsStore settings(store, nullptr);
        QSignalSpy changed(&settings, &DeveloperSettingsStore::changed);
        settings.setThemePreference(AppThemePreference::system);
        settings.setOverlayPanelSizePreset(OverlayPanelSizePreset::medium);
        QVERIFY(store.writes.isEmpty());
        QCOMPARE(changed.count(), 0);

        settings.setThemePreference(AppThemePreference::dark);
        settings.setLanguagePreference(AppLanguagePreference::german);
        settings.setOverlayPanelSizePreset(OverlayPanelSizePreset::extraLarge);
        QCOMPARE(store.writes, (QStringList{SettingsKeys::themePreference, SettingsKeys::languagePreference,
                                            SettingsKeys::overlayPanelSizePreset}));
        QCOMPARE(store.value(SettingsKeys::overlayPanelSizePreset).toString(), QStringLiteral("extraLarge"));
        QCOMPARE(changed.count(), 3);

        // String settings are kept in memory until persistPreferences().
        settings.setHostedBackendBaseURL(QStringLiteral("http://127.0.0.1:9"));
        QCOMPARE(store.writes.size(), 3);
        QCOMPARE(DeveloperSettingsStore(store, nullptr).themePreference(), AppThemePreference::dark);
    }

    void sameShortcutNeitherWritesNorNotifies()
    {
        CountingStore store;
        NotificationCenter notifications;
        DeveloperSettingsStore settings(store, &notifications);
        QSignalSpy posted(&notifications, &NotificationCenter::posted);
        settings.setCaptureHotKey(defaultShortcut);
        QVERIFY(store.writes.isEmpty());
        QCOMPARE(posted.count(), 0);

        const CaptureHotKeyShortcut changed{1, CaptureHotKeyShortcut::commandFlag | CaptureHotKeyShortcut::optionFlag};
        settings.setCaptureHotKey(changed);
        QCOMPARE(store.value(SettingsKeys::captureHotKey).toByteArray(),
                 QByteArray(R"({"keyCode":1,"modifiers":2304})"));
        QCOMPARE(posted.count(), 1);
        QCOMPARE(posted.first().at(0).toString(), QStringLiteral("orvanta.settings.captureHotKeyDidChange"));
        QCOMPARE(posted.first().at(1).value<CaptureHotKeyShortcut>(), changed);
        QCOMPARE(DeveloperSettingsStore(store, nullptr).captureHotKey(), changed);
    }

    void persistPreferencesWritesAllSevenAndNotifies()
    {
        CountingStore store;
        NotificationCenter notifications;
        DeveloperSettingsStore settings(store, &notifications);
        QSignalSpy posted(&notifications, &NotificationCenter::posted);
        settings.setCognitoDomainURL(QStringLiteral("http://127.0.0.1:8080"));
        settings.persistPreferences();
        QCOMPARE(store.writes, (QStringList{SettingsKeys::hostedBackendBaseURL, SettingsKeys::cognitoDomainURL,
                                            SettingsKeys::cognitoClientID, SettingsKeys::themePreference,
                                            SettingsKeys::languagePreference, SettingsKeys::overlayPanelSizePreset,
                                            SettingsKeys::captureHotKey}));
        QCOMPARE(store.value(SettingsKeys::cognitoDomainURL).toString(), QStringLiteral("http://127.0.0.1:8080"));
        QCOMPARE(store.value(SettingsKeys::languagePreference).toString(), QStringLiteral("auto"));
        QCOMPARE(posted.count(), 1);
    }

    void promptDecoration_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        const QString asked = QStringLiteral("\n\nUser request:\nWhat is this?");
        const QString respond = QStringLiteral("Unless the user explicitly asks for another language, respond in ");
        QTest::newRow("auto") << "auto" << QStringLiteral("What is this?");
        QTest::newRow("japanese") << "japanese" << respond + QStringLiteral("Japanese.") + asked;
        QTest::newRow("simplified chinese")
            << "simplifiedChinese" << respond + QStringLiteral("Simplified Chinese.") + asked;
    }
    void promptDecoration()
    {
        QFETCH(QString, language);
        QFETCH(QString, expected);
        InMemoryKeyValueStore store;
        store.setValue(SettingsKeys::languagePreference, language);
        QCOMPARE(
            DeveloperSettingsStore(store, nullptr).decoratePromptForPreferredLanguage(QStringLiteral("What is this?")),
            expected);
    }

    void shortcutDisplayForms_data()
    {
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("symbols");
        QTest::addColumn<QString>("linux");
        const auto row = [](const char *name, quint32 keyCode, quint32 modifiers, const char *symbols,
                            const char *linux) {
            QTest::newRow(name) << keyCode << modifiers << QString::fromUtf8(symbols) << linux;
        };
        row("default", 0, 768, "⇧⌘A", "Ctrl+Shift+A");
        row("unknown key", 99, 768, "⇧⌘?", "Ctrl+Shift+?");
        row("all modifiers", 18, 0x1B00, "^⌥⇧⌘1", "Ctrl+Alt+Shift+Super+1");
        row("space", 49, 0x800, "⌥Space", "Alt+Space");
        row("no modifier", 29, 0, "0", "0");
        row("unrelated bits ignored", 6, 0x1, "Z", "Z");
    }
    void shortcutDisplayForms()
    {
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QFETCH(QString, symbols);
        QFETCH(QString, linux);
        const CaptureHotKeyShortcut shortcut{keyCode, modifiers};
        QCOMPARE(shortcut.symbolDisplayString(), symbols);
        QCOMPARE(shortcut.displayString(), linux);
        QCOMPARE(shortcut.isValid(), modifiers != 0);
    }

    void shortcutCaptionAndQtKeys()
    {
        QCOMPARE(defaultShortcut.spacedDisplayString(), QStringLiteral("Ctrl + Shift + A"));
        for (quint32 code = 0; code < 128; ++code) {
            if (const std::optional<int> qtKey = CaptureHotKeyShortcut::qtKeyForKeyCode(code))
                QCOMPARE(CaptureHotKeyShortcut::keyCodeForQtKey(*qtKey), std::optional<quint32>(code));
        }
        QCOMPARE(CaptureHotKeyShortcut::keyCodeForQtKey(Qt::Key_F1), std::nullopt);
        const quint32 all = CaptureHotKeyShortcut::commandFlag | CaptureHotKeyShortcut::shiftFlag |
                            CaptureHotKeyShortcut::optionFlag | CaptureHotKeyShortcut::controlFlag;
        QCOMPARE(CaptureHotKeyShortcut::modifiersForQtModifiers(CaptureHotKeyShortcut::qtModifiersForModifiers(all)),
                 all);
        QCOMPARE(CaptureHotKeyShortcut::modifiersForQtModifiers(Qt::ControlModifier | Qt::MetaModifier),
                 CaptureHotKeyShortcut::commandFlag | CaptureHotKeyShortcut::controlFlag);
    }

    void hotKeyErrorsNameTheStatus()
    {
        QCOMPARE(GlobalHotKeyError::registrationFailed(-9878).message(),
                 QStringLiteral("Registering the global hotkey failed with status -9878."));
        QCOMPARE(GlobalHotKeyError::eventHandlerInstallFailed(10).message(),
                 QStringLiteral("Installing the global hotkey handler failed with status 10."));
    }

    void settingsFileIsPrivateAndSurvivesReopening()
    {
        TemporaryHome home;
        const QString path = home.path() + QStringLiteral("/config/Orvanta/Orvanta.conf");
        {
            QSettingsKeyValueStore store(path);
            DeveloperSettingsStore settings(store, nullptr);
            settings.setThemePreference(AppThemePreference::light);
            settings.setCaptureHotKey({9, CaptureHotKeyShortcut::commandFlag});
            store.setValue(QStringLiteral("orvanta.promptPreset.order"),
                           QStringList{QStringLiteral("keyPoint"), QStringLiteral("explain")});
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
        QCOMPARE(settings.captureHotKey(), (CaptureHotKeyShortcut{9, CaptureHotKeyShortcut::commandFlag}));
        QCOMPARE(reopened.value(QStringLiteral("orvanta.promptPreset.order")).toStringList(),
                 (QStringList{QStringLiteral("keyPoint"), QStringLiteral("explain")}));
    }

    void unwritableFileKeepsWhatWasReadAndNamesWhatIsLost()
    {
        TemporaryHome home;
        const QString path = home.path() + QStringLiteral("/Orvanta.conf");
        {
            QSettingsKeyValueStore store(path);
            DeveloperSettingsStore(store, nullptr).setThemePreference(AppThemePreference::light);
        }
        // Every write fails (a full disk), even for root.
        rlimit original{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &original), 0);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit none{0, original.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &none), 0);
        QSettingsKeyValueStore store(path);
        DeveloperSettingsStore settings(store, nullptr);
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(
                              QStringLiteral("^Could not store orvanta\\.settings\\.themePreference in the settings")));
        settings.setThemePreference(AppThemePreference::dark);
        ::setrlimit(RLIMIT_FSIZE, &original);
        QCOMPARE(settings.themePreference(), AppThemePreference::dark);
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
