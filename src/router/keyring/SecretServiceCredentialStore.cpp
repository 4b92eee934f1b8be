#include "router/keyring/SecretServiceCredentialStore.h"

#include <QByteArray>
#include <QStringDecoder>
#include <gio/gio.h>
#include <libsecret/secret.h>
#include <memory>

namespace {

constexpr char serviceName[] = "com.brightfold.Veltrano";

const SecretSchema* credentialSchema() {
    static const SecretSchema schema = {serviceName,
                                        SECRET_SCHEMA_NONE,
                                        {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

struct HashTableUnref {
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
using AttributesPtr = std::unique_ptr<GHashTable, HashTableUnref>;

struct ItemListFree {
    void operator()(GList* items) const { g_list_free_full(items, g_object_unref); }
};
using ItemListPtr = std::unique_ptr<GList, ItemListFree>;

struct SecretValueUnref {
    void operator()(SecretValue* value) const { secret_value_unref(value); }
};
using SecretValuePtr = std::unique_ptr<SecretValue, SecretValueUnref>;

qint32 statusFor(const GError* error) {
    if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED))
        return CredentialStatus::collectionLocked;
    if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_NO_SUCH_OBJECT))
        return CredentialStatus::itemNotFound;
    // The service went away, never started or stopped answering.
    if (error->domain == G_DBUS_ERROR) {
        switch (error->code) {
        case G_DBUS_ERROR_SERVICE_UNKNOWN:
        case G_DBUS_ERROR_NAME_HAS_NO_OWNER:
        case G_DBUS_ERROR_NO_REPLY:
        case G_DBUS_ERROR_TIMEOUT:
        case G_DBUS_ERROR_TIMED_OUT:
        case G_DBUS_ERROR_DISCONNECTED:
        case G_DBUS_ERROR_NO_SERVER:
        case G_DBUS_ERROR_SPAWN_FAILED:
        case G_DBUS_ERROR_SPAWN_EXEC_FAILED:
        case G_DBUS_ERROR_SPAWN_CHILD_EXITED:
            return CredentialStatus::notAvailable;
        default:
            return CredentialStatus::failed;
        }
    }
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CLOSED))
        return CredentialStatus::notAvailable;
    return CredentialStatus::failed;
}

AttributesPtr attributesFor(const QString& account) {
    const QByteArray accountText = account.toUtf8();
    return AttributesPtr(secret_attributes_build(credentialSchema(), "service", serviceName, "account",
                                                 accountText.constData(), nullptr));
}

// A connection of this call's own, with a session opened at once, so that a
// missing service shows here rather than half-way through an operation.
GObjectPtr<SecretService> openService() {
    return GObjectPtr<SecretService>(secret_service_open_sync(SECRET_TYPE_SERVICE, nullptr,
                                                              SECRET_SERVICE_OPEN_SESSION, nullptr, nullptr));
}

struct Search {
    ItemListPtr items;
    qint32 status = CredentialStatus::success;
};

// Never unlocks: locked matches come back, after the unlocked ones, without
// their secrets.
Search searchItems(SecretService* service, const QString& account, SecretSearchFlags flags) {
    GError* rawError = nullptr;
    GList* found = secret_service_search_sync(service, credentialSchema(), attributesFor(account).get(),
                                              flags, nullptr, &rawError);
    const ErrorPtr error(rawError);
    if (error)
        return {nullptr, statusFor(error.get())};
    return {ItemListPtr(found), found ? CredentialStatus::success : CredentialStatus::itemNotFound};
}

std::optional<QString> strictUtf8(const char* data, gsize length) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(data, static_cast<qsizetype>(length)));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

qint32 deleteItems(SecretService* service, const QString& account) {
    const Search search = searchItems(service, account, SECRET_SEARCH_ALL);
    if (search.status != CredentialStatus::success)
        return search.status;
    qint32 status = CredentialStatus::success;
    for (GList* node = search.items.get(); node; node = node->next) {
        GError* rawError = nullptr;
        if (!secret_item_delete_sync(SECRET_ITEM(node->data), nullptr, &rawError)) {
            const ErrorPtr error(rawError);
            status = error ? statusFor(error.get()) : CredentialStatus::failed;
        }
    }
    return status;
}

} // namespace

PasswordRead SecretServiceCredentialStore::readPassword(const QString& account) {
    const GObjectPtr<SecretService> service = openService();
    if (!service)
        return {std::nullopt, CredentialStatus::notAvailable};
    const Search search = searchItems(service.get(), account, SECRET_SEARCH_LOAD_SECRETS);
    if (search.status != CredentialStatus::success)
        return {std::nullopt, search.status};

    SecretItem* item = SECRET_ITEM(search.items->data);
    if (secret_item_get_locked(item))
        return {std::nullopt, CredentialStatus::collectionLocked};
    const SecretValuePtr secret(secret_item_get_secret(item));
    if (!secret)
        return {std::nullopt, CredentialStatus::failed};
    gsize length = 0;
    const char* data = secret_value_get(secret.get(), &length);
    return {strictUtf8(data, length), CredentialStatus::success};
}

qint32 SecretServiceCredentialStore::savePassword(const QString& value, const QString& account) {
    const GObjectPtr<SecretService> service = openService();
    if (!service)
        return CredentialStatus::notAvailable;

    // The old item goes only once the new one has somewhere to go: a locked or
    // missing default collection must not cost the user the password it holds.
    GError* rawError = nullptr;
    const GObjectPtr<SecretCollection> collection(secret_collection_for_alias_sync(
        service.get(), SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &rawError));
    if (const ErrorPtr error(rawError); error)
        return statusFor(error.get());
    if (!collection)
        return CredentialStatus::notAvailable;
    if (secret_collection_get_locked(collection.get()))
        return CredentialStatus::collectionLocked;

    // Items of the account in any collection go, so exactly one remains.
    deleteItems(service.get(), account);

    const QByteArray data = value.toUtf8();
    const SecretValuePtr secret(secret_value_new(data.constData(), data.size(), "text/plain"));
    const QByteArray label = QStringLiteral("Veltrano %1").arg(account).toUtf8();
    const GObjectPtr<SecretItem> item(secret_item_create_sync(
        collection.get(), credentialSchema(), attributesFor(account).get(), label.constData(), secret.get(),
        SECRET_ITEM_CREATE_REPLACE, nullptr, &rawError));
    if (const ErrorPtr error(rawError); error)
        return statusFor(error.get());
    return item ? CredentialStatus::success : CredentialStatus::failed;
}

qint32 SecretServiceCredentialStore::deletePassword(const QString& account) {
    const GObjectPtr<SecretService> service = openService();
    if (!service)
        return CredentialStatus::notAvailable;
    return deleteItems(service.get(), account);
}
