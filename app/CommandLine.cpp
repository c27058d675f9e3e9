#include "app/CommandLine.h"

#include "BuildSettings.h"
#include "launch/AddressOptions.h"

#include <QCommandLineParser>

namespace kestrum {

namespace {

std::string fromQt(const QString& text) {
    return text.toStdString();
}

std::string text(std::string_view view) {
    return std::string(view);
}

} // namespace

std::variant<CommandLine, SettingsError> parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Kestrum: plans for five-digit high-frequency lotteries."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption config(QStringLiteral("config"),
                                    QString::fromLatin1(kConfigOptionHelp), QStringLiteral("FILE"));
    parser.addOption(config);
    for (const AddressOption& option : kAddressOptions) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(option.name),
                                            QString::fromUtf8(option.windowDescription),
                                            QString::fromLatin1(option.valueName)));
    }
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"), QString::fromLatin1(kDataDirOptionHelp), QStringLiteral("DIR"));
    const QCommandLineOption noWebPanels(QStringLiteral("no-web-panels"),
                                         QStringLiteral("Show no web pages in the window."));
    const QCommandLineOption noUpdateCheck(QStringLiteral("no-update-check"),
                                           QStringLiteral("Do not check for a newer version."));
    const QCommandLineOption followDraws(
        QStringLiteral("follow-draws"),
        QStringLiteral("Look for a new draw when one is due, not at the lottery's fixed period."));
    parser.addOptions({dataDir, noWebPanels, noUpdateCheck, followDraws});

    if (!parser.parse(arguments)) {
        return SettingsError{fromQt(parser.errorText())};
    }
    if (!parser.positionalArguments().isEmpty()) {
        return SettingsError{"unexpected argument " + fromQt(parser.positionalArguments().front())};
    }
    CommandLine line;
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // Without an application object the parser cannot know the program's name.
        line.answer = fromQt(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                       QStringLiteral("kestrum")));
        return line;
    }
    if (parser.isSet(version)) {
        line.answer = "kestrum " + text(build::kVersion) + "\n";
        return line;
    }
    if (parser.isSet(config)) {
        line.configFile = fromQt(parser.value(config));
    }
    for (const AddressOption& option : kAddressOptions) {
        const QString name = QString::fromLatin1(option.name);
        if (parser.isSet(name)) {
            if (auto error = takeAddressOption(option, fromQt(parser.value(name)), line.settings)) {
                return *error;
            }
        }
    }
    if (parser.isSet(dataDir)) {
        line.settings.dataDir = fromQt(parser.value(dataDir));
        if (line.settings.dataDir->empty()) {
            return SettingsError{"--data-dir must name a folder"};
        }
    }
    if (parser.isSet(noWebPanels)) {
        line.settings.webPanels = false;
    }
    if (parser.isSet(noUpdateCheck)) {
        line.settings.updateCheck = false;
    }
    if (parser.isSet(followDraws)) {
        line.settings.followDraws = true;
    }
    return line;
}

std::variant<RunSettings, SettingsError> resolveSettings(const CommandLine& commandLine,
                                                         const EnvironmentLookup& environment) {
    return resolveRunSettings(commandLine.settings, commandLine.configFile, environment);
}

} // namespace kestrum
