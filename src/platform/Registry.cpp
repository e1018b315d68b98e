#include "Registry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include <array>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

namespace {

constexpr int kRootCount = 7;
const char* const kRootNames[kRootCount] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};
const QString kFormatName = QStringLiteral("zimbrel-registry");
constexpr int kFormatVersion = 1;
// Long enough for a slow disk, short enough that a hung writer cannot freeze the program.
constexpr int kLockWaitMs = 10000;

struct Value {
    QString name;
    std::uint32_t type = REG_NONE;
    RegData data;
};

struct Key {
    QString name;
    std::vector<Value> values;
    std::vector<Key> keys;
};

using Roots = std::array<Key, kRootCount>;

// An open key: its root and the names of its levels below it.
struct OpenKey {
    int root = 0;
    QStringList path;
    std::uint32_t access = 0;
};

struct HandleTable {
    std::mutex mutex;
    std::map<HKEY, OpenKey> open;
    HKEY next = 0x100;
};

HandleTable& Handles()
{
    static HandleTable table;
    return table;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The key a handle stands for; nullopt for a handle that is neither predefined nor open.
std::optional<OpenKey> KeyOfHandle(HKEY hKey)
{
    const auto offset = static_cast<std::uint32_t>(hKey) - 0x80000000u;
    if (offset < kRootCount)
        return OpenKey{static_cast<int>(offset), {}, ~0u};
    HandleTable& table = Handles();
    const std::lock_guard lock(table.mutex);
    const auto it = table.open.find(hKey);
    if (it == table.open.end())
        return std::nullopt;
    return it->second;
}

HKEY NewHandle(OpenKey key)
{
    HandleTable& table = Handles();
    const std::lock_guard lock(table.mutex);
    const HKEY handle = table.next++;
    table.open.emplace(handle, std::move(key));
    return handle;
}

// Splits a key path into its levels; nullopt when a level is empty ("a\\b", "\a").
std::optional<QStringList> Levels(const QString& sPath)
{
    if (sPath.isEmpty())
        return QStringList{};
    QStringList levels = sPath.split(QLatin1Char('\\'));
    if (levels.last().isEmpty())
        levels.removeLast(); // one trailing separator names the same key
    for (const QString& level : levels) {
        if (level.isEmpty())
            return std::nullopt;
    }
    return levels;
}

Key* FindChild(Key& key, const QString& name)
{
    for (Key& child : key.keys) {
        if (SameName(child.name, name))
            return &child;
    }
    return nullptr;
}

Key* FindKey(Roots& roots, const OpenKey& where)
{
    Key* key = &roots[where.root];
    for (const QString& level : where.path) {
        key = FindChild(*key, level);
        if (!key)
            return nullptr;
    }
    return key;
}

// Finds or makes every level; reports whether the last one was new.
Key& MakeKey(Roots& roots, const OpenKey& where, bool* created = nullptr)
{
    Key* key = &roots[where.root];
    bool made = false;
    for (const QString& level : where.path) {
        Key* child = FindChild(*key, level);
        if (!child) {
            key->keys.push_back(Key{level, {}, {}});
            child = &key->keys.back();
            made = true;
        } else {
            made = false;
        }
        key = child;
    }
    if (created)
        *created = made;
    return *key;
}

Value* FindValue(Key& key, const QString& name)
{
    for (Value& value : key.values) {
        if (SameName(value.name, name))
            return &value;
    }
    return nullptr;
}

// --- the file -------------------------------------------------------------------------

enum class StoreState { Missing, Good, Damaged };

struct Store {
    StoreState state = StoreState::Missing;
    Roots roots;
};

QJsonObject KeyToJson(const Key& key)
{
    QJsonArray values;
    for (const Value& value : key.values) {
        QJsonObject v{{"name", value.name}, {"type", static_cast<qint64>(value.type)}};
        if (IsTextType(value.type))
            v.insert("text", value.data.text);
        else
            v.insert("bytes", QString::fromLatin1(value.data.bytes.toBase64()));
        values.append(v);
    }
    QJsonArray keys;
    for (const Key& child : key.keys)
        keys.append(KeyToJson(child));
    return QJsonObject{{"name", key.name}, {"values", values}, {"keys", keys}};
}

bool KeyFromJson(const QJsonObject& json, Key& key)
{
    if (!json.value("name").isString() || !json.value("values").isArray()
        || !json.value("keys").isArray())
        return false;
    key.name = json.value("name").toString();
    for (const QJsonValue& item : json.value("values").toArray()) {
        const QJsonObject v = item.toObject();
        const double type = v.value("type").toDouble(-1);
        if (!v.value("name").isString() || type < 0 || type > 0xFFFFFFFF)
            return false;
        Value value{v.value("name").toString(), static_cast<std::uint32_t>(type), {}};
        if (IsTextType(value.type)) {
            if (!v.value("text").isString())
                return false;
            value.data.text = v.value("text").toString();
        } else {
            if (!v.value("bytes").isString())
                return false;
            value.data.bytes = QByteArray::fromBase64(v.value("bytes").toString().toLatin1());
        }
        key.values.push_back(std::move(value));
    }
    for (const QJsonValue& item : json.value("keys").toArray()) {
        Key child;
        if (!item.isObject() || !KeyFromJson(item.toObject(), child))
            return false;
        key.keys.push_back(std::move(child));
    }
    return true;
}

Roots EmptyRoots()
{
    Roots roots;
    for (int i = 0; i < kRootCount; ++i)
        roots[i].name = QString::fromLatin1(kRootNames[i]);
    return roots;
}

Store LoadStore(const QString& path)
{
    Store store{StoreState::Missing, EmptyRoots()};
    QFile file(path);
    if (!file.exists())
        return store;
    store.state = StoreState::Damaged;
    if (!file.open(QIODevice::ReadOnly))
        return store;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return store;
    const QJsonObject top = doc.object();
    if (top.value("format").toString() != kFormatName
        || top.value("version").toInt() != kFormatVersion || !top.value("roots").isObject())
        return store;
    const QJsonObject roots = top.value("roots").toObject();
    Roots loaded = EmptyRoots();
    for (int i = 0; i < kRootCount; ++i) {
        const QJsonValue root = roots.value(QString::fromLatin1(kRootNames[i]));
        if (root.isUndefined())
            continue;
        if (!root.isObject() || !KeyFromJson(root.toObject(), loaded[i]))
            return store;
        loaded[i].name = QString::fromLatin1(kRootNames[i]);
    }
    store.roots = std::move(loaded);
    store.state = StoreState::Good;
    return store;
}

// Renames a damaged store so that it is kept for inspection; false when that failed.
bool SetAside(const QString& path)
{
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss");
    QString aside = path + ".damaged-" + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path + ".damaged-" + stamp + "-" + QString::number(n);
    return QFile::rename(path, aside);
}

bool SaveStore(const QString& path, const Roots& roots)
{
    QJsonObject rootsJson;
    for (const Key& root : roots) {
        if (!root.keys.empty() || !root.values.empty())
            rootsJson.insert(root.name, KeyToJson(root));
    }
    const QJsonObject top{{"format", kFormatName}, {"version", kFormatVersion}, {"roots", rootsJson}};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(top).toJson(QJsonDocument::Indented));
    return file.commit();
}

// Reads the store as the program sees it: the user's picture folder fills in the shell's
// folder table wherever the store does not hold it.
Roots ReadRoots()
{
    Roots roots = LoadStore(RegistryStorePath()).roots;
    const OpenKey shellFolders{1,
        {"Software", "Microsoft", "Windows", "CurrentVersion", "Explorer", "Shell Folders"}, 0};
    Key& key = MakeKey(roots, shellFolders);
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!FindValue(key, "My Pictures") && !pictures.isEmpty())
        key.values.push_back(Value{"My Pictures", REG_SZ, {pictures + QChar(0), {}}});
    return roots;
}

// Runs one change of the store under its lock on a fresh copy and writes the result back
// atomically. The change answers the call's result; the store is written only on success.
template <typename Change>
LONG ModifyStore(Change&& change)
{
    const QString path = RegistryStorePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return ERROR_ACCESS_DENIED;
    QLockFile lock(path + ".lock");
    if (!lock.tryLock(kLockWaitMs))
        return ERROR_ACCESS_DENIED;
    Store store = LoadStore(path);
    if (store.state == StoreState::Damaged) {
        if (!SetAside(path))
            return ERROR_WRITE_FAULT;
        store = Store{StoreState::Missing, EmptyRoots()};
    }
    const LONG result = change(store.roots);
    if (result != ERROR_SUCCESS)
        return result;
    return SaveStore(path, store.roots) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

} // namespace

bool IsTextType(std::uint32_t dwType)
{
    return dwType == REG_SZ || dwType == REG_EXPAND_SZ || dwType == REG_MULTI_SZ;
}

QString RegistryStorePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + "/zimbrel/registry.json";
}

LONG RegOpenKeyExA(HKEY hKey, const QString& lpSubKey, std::uint32_t ulOptions,
                   std::uint32_t samDesired, HKEY* phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    std::optional<OpenKey> where = KeyOfHandle(hKey);
    if (!where)
        return ERROR_INVALID_HANDLE;
    const std::optional<QStringList> levels = Levels(lpSubKey);
    if (!levels)
        return ERROR_FILE_NOT_FOUND;
    where->path += *levels;
    where->access = samDesired;
    Roots roots = ReadRoots();
    if (!FindKey(roots, *where))
        return ERROR_FILE_NOT_FOUND;
    *phkResult = NewHandle(std::move(*where));
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, const QString& lpValueName, std::uint32_t* lpReserved,
                      std::uint32_t* lpType, RegData* lpData, std::uint32_t* lpcbData)
{
    const std::optional<OpenKey> where = KeyOfHandle(hKey);
    if (!where)
        return ERROR_INVALID_HANDLE;
    if (!(where->access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    Roots roots = ReadRoots();
    Key* key = FindKey(roots, *where);
    Value* value = key ? FindValue(*key, lpValueName) : nullptr;
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    const bool text = IsTextType(value->type);
    const auto size = static_cast<std::uint32_t>(text ? value->data.text.size()
                                                      : value->data.bytes.size());
    if (lpType)
        *lpType = value->type;
    const std::uint32_t room = lpcbData ? *lpcbData : 0;
    if (lpcbData)
        *lpcbData = size;
    if (!lpData)
        return ERROR_SUCCESS;
    if (room < size)
        return ERROR_MORE_DATA;
    *lpData = value->data;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY hKey, const QString& lpSubKey, std::uint32_t Reserved,
                     const QString& lpClass, std::uint32_t dwOptions,
                     std::uint32_t samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes,
                     HKEY* phkResult, std::uint32_t* lpdwDisposition)
{
    if (!phkResult || Reserved != 0)
        return ERROR_INVALID_PARAMETER;
    std::optional<OpenKey> where = KeyOfHandle(hKey);
    if (!where)
        return ERROR_INVALID_HANDLE;
    if (!(where->access & KEY_CREATE_SUB_KEY))
        return ERROR_ACCESS_DENIED;
    const std::optional<QStringList> levels = Levels(lpSubKey);
    if (!levels)
        return ERROR_INVALID_PARAMETER;
    where->path += *levels;
    where->access = samDesired;
    bool created = false;
    // Opening an existing key needs no write (keys are never removed).
    Roots current = LoadStore(RegistryStorePath()).roots;
    const LONG result = FindKey(current, *where) ? ERROR_SUCCESS : ModifyStore([&](Roots& roots) {
        MakeKey(roots, *where, &created);
        return ERROR_SUCCESS;
    });
    if (result != ERROR_SUCCESS)
        return result;
    if (lpdwDisposition)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = NewHandle(std::move(*where));
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY hKey, const QString& lpValueName, std::uint32_t Reserved,
                    std::uint32_t dwType, const RegData& lpData, std::uint32_t cbData)
{
    const std::optional<OpenKey> where = KeyOfHandle(hKey);
    if (!where)
        return ERROR_INVALID_HANDLE;
    if (!(where->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    RegData data;
    if (IsTextType(dwType)) {
        data.text = lpData.text.left(cbData);
        const bool plainText = dwType == REG_SZ || dwType == REG_EXPAND_SZ;
        if (plainText && !data.text.endsWith(QChar(0)))
            data.text += QChar(0);
    } else {
        data.bytes = lpData.bytes.left(cbData);
    }
    return ModifyStore([&](Roots& roots) {
        // The key was open; a store set aside since then gets it back.
        Key& key = MakeKey(roots, *where);
        if (Value* value = FindValue(key, lpValueName)) {
            value->type = dwType;
            value->data = std::move(data);
        } else {
            key.values.push_back(Value{lpValueName, dwType, std::move(data)});
        }
        return ERROR_SUCCESS;
    });
}

LONG RegCloseKey(HKEY hKey)
{
    if (static_cast<std::uint32_t>(hKey) - 0x80000000u < kRootCount)
        return ERROR_SUCCESS;
    HandleTable& table = Handles();
    const std::lock_guard lock(table.mutex);
    return table.open.erase(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // namespace platform
