#include "app/cli/SettingsCommand.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <optional>

namespace {

const char* const usageText =
    "Usage: veltrano-cli settings VERB\n"
    "\n"
    "  list           every known key with its stored value (JSON), or \"(not set, default X)\"\n"
    "  get KEY        print the stored value as plain text; when KEY is not set, print its\n"
    "                 default and say so on standard error, or exit 1 when it has none\n"
    "  set KEY VALUE  store VALUE, checked against the key: Booleans take true or false,\n"
    "                 historyDays a whole number of days from 0 (record nothing) to 3650,\n"
    "                 choice keys one of their values, routerIP an IPv4 address, targetMAC\n"
    "                 and targetMAC2 a MAC such as aa:bb:cc:dd:ee:ff, deviceNameRegistry a\n"
    "                 JSON object of strings; an empty VALUE clears routerIP and the MACs\n"
    "  unset KEY      remove KEY so that its default applies\n"
    "\n"
    "The router password is kept in the system keyring and is never shown or set here.\n"
    "Exit status: 0 done, 1 not set and no default (get) or not saved (set, unset),\n"
    "2 unknown key, wrong value or unusable arguments.\n";

int fail(QTextStream& err, const QString& message) {
    err << "veltrano-cli settings: " << message << '\n';
    return 2;
}

// Any JSON value as it would appear inside a document: strings quoted.
QString jsonText(const QJsonValue& value) {
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

// What `get` prints: text as it is, everything else as JSON.
QString plainText(const QJsonValue& value) {
    return value.isString() ? value.toString() : jsonText(value);
}

QString typeName(SettingType type) {
    switch (type) {
    case SettingType::boolean:
        return QStringLiteral("a Boolean");
    case SettingType::integer:
        return QStringLiteral("a whole number");
    case SettingType::string:
        return QStringLiteral("a string");
    case SettingType::dictionary:
        return QStringLiteral("a JSON object of strings");
    }
    return {};
}

bool hasDeclaredType(const SettingDefinition& definition, const QJsonValue& value) {
    switch (definition.type) {
    case SettingType::boolean:
        return value.isBool();
    case SettingType::integer:
        return value.isDouble() && value.toDouble() == value.toInteger();
    case SettingType::string:
        return value.isString();
    case SettingType::dictionary: {
        if (!value.isObject())
            return false;
        const QJsonObject object = value.toObject();
        return std::all_of(object.begin(), object.end(),
                           [](const QJsonValue& entry) { return entry.isString(); });
    }
    }
    return false;
}

// Four decimal octets, no signs, spaces or leading zeros (which some parsers read as octal).
bool isIPv4Address(const QString& text) {
    static const QRegularExpression octet(
        QRegularExpression::anchoredPattern(QStringLiteral("(0|[1-9][0-9]{0,2})")));
    const QStringList parts = text.split(QLatin1Char('.'));
    return parts.size() == 4 && std::all_of(parts.begin(), parts.end(), [](const QString& part) {
               return octet.match(part).hasMatch() && part.toInt() <= 255;
           });
}

bool isMACAddress(const QString& text) {
    static const QRegularExpression mac(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}")));
    return mac.match(text).hasMatch();
}

// The value to store for `text`, or the reason it is refused.
struct ParsedValue {
    QJsonValue value;
    QString problem;
};

ParsedValue parseValue(const SettingDefinition& definition, const QString& text) {
    const QString key = definition.key;
    switch (definition.type) {
    case SettingType::boolean:
        if (text == QStringLiteral("true") || text == QStringLiteral("false"))
            return {QJsonValue(text == QStringLiteral("true")), {}};
        return {{}, QStringLiteral("%1 takes true or false, not \"%2\"").arg(key, text)};
    case SettingType::integer: {
        bool isNumber = false;
        const int number = text.toInt(&isNumber);
        if (isNumber && number >= definition.minimum && number <= definition.maximum)
            return {QJsonValue(number), {}};
        return {{},
                QStringLiteral("%1 takes a whole number from %2 to %3, not \"%4\"")
                    .arg(key)
                    .arg(definition.minimum)
                    .arg(definition.maximum)
                    .arg(text)};
    }
    case SettingType::dictionary: {
        const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
        if (document.isObject() && hasDeclaredType(definition, document.object()))
            return {document.object(), {}};
        return {
            {},
            QStringLiteral("%1 takes a JSON object of strings, such as {\"AA:BB:CC:DD:EE:FF\":\"Camera\"}")
                .arg(key)};
    }
    case SettingType::string:
        break;
    }

    if (!definition.allowedValues.isEmpty() && !definition.allowedValues.contains(text))
        return {{},
                QStringLiteral("%1 takes one of %2, not \"%3\"")
                    .arg(key, definition.allowedValues.join(QStringLiteral(", ")), text)};
    if (definition.format == TextFormat::ipv4AddressOrEmpty && !text.isEmpty() && !isIPv4Address(text))
        return {{},
                QStringLiteral("%1 takes an IPv4 address such as 192.168.8.1 (or \"\"), not \"%2\"")
                    .arg(key, text)};
    if (definition.format == TextFormat::macAddressOrEmpty && !text.isEmpty() && !isMACAddress(text))
        return {{},
                QStringLiteral("%1 takes a MAC address such as aa:bb:cc:dd:ee:ff (or \"\"), not \"%2\"")
                    .arg(key, text)};
    return {QJsonValue(text), {}};
}

QString listedValue(const SettingDefinition& definition, const std::optional<QJsonValue>& stored) {
    if (definition.key == SettingsKey::routerPassword)
        return stored ? QStringLiteral("(set, hidden)") : QStringLiteral("(not set)");
    if (!stored) {
        return definition.effectiveDefault
                   ? QStringLiteral("(not set, default %1)").arg(jsonText(*definition.effectiveDefault))
                   : QStringLiteral("(not set)");
    }
    if (!hasDeclaredType(definition, *stored))
        return QStringLiteral("%1 (wrong type, expected %2)")
            .arg(jsonText(*stored), typeName(definition.type));
    return jsonText(*stored);
}

int listSettings(const SettingsStore& store, QTextStream& out) {
    const auto& definitions = SettingsSchema::definitions();
    const auto longest = std::max_element(
        definitions.begin(), definitions.end(),
        [](const SettingDefinition& a, const SettingDefinition& b) { return a.key.size() < b.key.size(); });
    for (const SettingDefinition& definition : definitions) {
        out << definition.key.leftJustified(longest->key.size() + 2)
            << listedValue(definition, store.readObject(definition.key)) << '\n';
    }
    return 0;
}

int getSetting(const SettingDefinition& definition, const SettingsStore& store, QTextStream& out,
               QTextStream& err) {
    const std::optional<QJsonValue> stored = store.readObject(definition.key);
    if (definition.key == SettingsKey::routerPassword) {
        err << (stored ? "routerPassword is set (value hidden); the next launch moves it into the system "
                         "keyring\n"
                       : "routerPassword is not set\n");
        return stored ? 0 : 1;
    }
    if (!stored) {
        if (!definition.effectiveDefault) {
            err << definition.key << " is not set\n";
            return 1;
        }
        err << definition.key << " is not set; printed its default\n";
        out << plainText(*definition.effectiveDefault) << '\n';
        return 0;
    }
    if (!hasDeclaredType(definition, *stored)) {
        err << definition.key << " holds " << jsonText(*stored) << ", not " << typeName(definition.type)
            << "; the program ignores it\n";
        return 1;
    }
    out << plainText(*stored) << '\n';
    return 0;
}

// The store keeps a failed write in memory only, so look at the file itself.
QString because(const std::optional<QString>& problem) {
    return problem ? QStringLiteral(": ") + *problem : QString();
}

bool savedAs(const SettingsStore& store, const QString& key, const std::optional<QJsonValue>& expected) {
    return SettingsStore(store.filePath()).readObject(key) == expected;
}

int setSetting(const SettingDefinition& definition, const QString& text, SettingsStore& store,
               QTextStream& err) {
    if (definition.key == SettingsKey::routerPassword)
        return fail(err, QStringLiteral("the router password lives in the system keyring; "
                                        "enter it in the settings window instead"));
    const ParsedValue parsed = parseValue(definition, text);
    if (!parsed.problem.isEmpty())
        return fail(err, parsed.problem);

    std::optional<QString> problem;
    switch (definition.type) {
    case SettingType::boolean:
        problem = store.writeBool(definition.key, parsed.value.toBool());
        break;
    case SettingType::integer:
        problem = store.writeInt(definition.key, parsed.value.toInt());
        break;
    case SettingType::string:
        problem = store.writeString(definition.key, parsed.value.toString());
        break;
    case SettingType::dictionary: {
        QMap<QString, QString> dictionary;
        const QJsonObject object = parsed.value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            dictionary.insert(it.key(), it.value().toString());
        problem = store.writeDictionary(definition.key, dictionary);
        break;
    }
    }
    if (!problem && savedAs(store, definition.key, parsed.value))
        return 0;
    err << "veltrano-cli settings: could not save " << definition.key << " to " << store.filePath()
        << because(problem) << '\n';
    return 1;
}

int unsetSetting(const SettingDefinition& definition, SettingsStore& store, QTextStream& err) {
    const std::optional<QString> problem = store.remove(definition.key);
    if (!problem && savedAs(store, definition.key, std::nullopt))
        return 0;
    err << "veltrano-cli settings: could not remove " << definition.key << " from " << store.filePath()
        << because(problem) << '\n';
    return 1;
}

} // namespace

int runSettingsCommand(const QStringList& args, SettingsStore& store, QTextStream& out, QTextStream& err) {
    const QString verb = args.value(0);
    if (verb == QStringLiteral("help") || verb == QStringLiteral("--help") || verb == QStringLiteral("-h")) {
        out << usageText;
        return 0;
    }

    struct Verb {
        QString name;
        qsizetype words;
        QString shape;
    };
    static const QList<Verb> verbs = {
        {QStringLiteral("list"), 0, QStringLiteral("settings list")},
        {QStringLiteral("get"), 1, QStringLiteral("settings get KEY")},
        {QStringLiteral("set"), 2,
         QStringLiteral("settings set KEY VALUE (quote a value that contains spaces)")},
        {QStringLiteral("unset"), 1, QStringLiteral("settings unset KEY")},
    };
    const auto known =
        std::find_if(verbs.begin(), verbs.end(), [&verb](const Verb& entry) { return entry.name == verb; });
    if (known == verbs.end()) {
        err << (verb.isEmpty() ? QStringLiteral("veltrano-cli settings: a verb is missing\n")
                               : QStringLiteral("veltrano-cli settings: unknown verb \"%1\"\n").arg(verb))
            << '\n'
            << usageText;
        return 2;
    }
    if (args.size() - 1 != known->words)
        return fail(err, QStringLiteral("usage: ") + known->shape);
    if (verb == QStringLiteral("list"))
        return listSettings(store, out);

    const SettingDefinition* definition = SettingsSchema::find(args.at(1));
    if (!definition)
        return fail(err, QStringLiteral("unknown key \"%1\" (\"veltrano-cli settings list\" shows every key)")
                             .arg(args.at(1)));
    if (verb == QStringLiteral("get"))
        return getSetting(*definition, store, out, err);
    if (verb == QStringLiteral("set"))
        return setSetting(*definition, args.at(2), store, err);
    return unsetSetting(*definition, store, err);
}
