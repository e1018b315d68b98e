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

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kRootCount = static_cast<int>(kRootKeyNames.size());
const QString kFormatName = QStringLiteral("zimbrel-registry");
constexpr int kFormatVersion = 1;
// Long enough for a slow disk, short enough that a hung writer cannot freeze the program.
constexpr int kLockWaitMs = 10000;
// A store of settings is a few kilobytes; anything much larger is not one of ours.
constexpr qint64 kMaxStoreBytes = qint64{1} << 20;

// A value or key entry of the file that could not be read: it reads as missing and is
// written back unchanged, so a hand edit gone wrong costs that one entry and nothing else.
using Unreadable = QJsonArray;

struct Value {
    QString name;
    std::uint32_t type = REG_NONE;
    RegData data;
    QJsonObject unknownFields; // fields a later version may have added, kept as they were
};

struct Key {
    QString name;
    std::vector<Value> values;
    std::vector<Key> keys;
    QJsonObject unknownFields;
    Unreadable unreadableValues;
    Unreadable unreadableKeys;
};

using Roots = std::array<Key, kRootCount>;

// Everything the file held: the roots we know, and whatever else stood in it (roots we
// do not know or cannot read, fields beside "roots"), written back on every change.
struct Store {
    Roots roots;
    QJsonObject unknownRoots;
    QJsonObject unknownFields;
};

// An open key: its root and the names of its levels below it. A query that answers a
// size (the size query, or one that finds the caller's buffer too small) keeps the
// version of the store it read in `sized`; the next query for data on the handle answers
// from that version, so a read's size and data always agree while another program writes.
struct OpenKey {
    int root = 0;
    QStringList path;
    std::uint32_t access = 0;
    std::shared_ptr<const Store> sized;
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

bool IsPredefined(HKEY hKey)
{
    return static_cast<std::uint32_t>(hKey) - 0x80000000u < kRootCount;
}

// The key a handle stands for; nullopt for a handle that is neither predefined nor open.
std::optional<OpenKey> KeyOfHandle(HKEY hKey)
{
    if (IsPredefined(hKey))
        return OpenKey{static_cast<int>(static_cast<std::uint32_t>(hKey) - 0x80000000u), {}, ~0u, nullptr};
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

// Keeps (or, with nullptr, drops) the version a size query read for the handle's next
// data query; predefined keys keep none.
void KeepSized(HKEY hKey, std::shared_ptr<const Store> store)
{
    HandleTable& table = Handles();
    const std::lock_guard lock(table.mutex);
    if (const auto it = table.open.find(hKey); it != table.open.end())
        it->second.sized = std::move(store);
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

template <typename RootsT>
auto FindKey(RootsT& roots, const OpenKey& where) -> decltype(&roots[0])
{
    auto* key = &roots[where.root];
    for (const QString& level : where.path) {
        const auto child = std::find_if(key->keys.begin(), key->keys.end(),
                                        [&](const Key& k) { return SameName(k.name, level); });
        if (child == key->keys.end())
            return nullptr;
        key = &*child;
    }
    return key;
}

// Finds or makes every level; reports whether the last one was new.
Key& MakeKey(Roots& roots, const OpenKey& where, bool* created = nullptr)
{
    Key* key = &roots[where.root];
    bool made = false;
    for (const QString& level : where.path) {
        const auto child = std::find_if(key->keys.begin(), key->keys.end(),
                                        [&](const Key& k) { return SameName(k.name, level); });
        made = child == key->keys.end();
        if (made) {
            key->keys.push_back(Key{level, {}, {}, {}, {}, {}});
            key = &key->keys.back();
        } else {
            key = &*child;
        }
    }
    if (created)
        *created = made;
    return *key;
}

template <typename KeyT>
auto FindValue(KeyT& key, const QString& name) -> decltype(&key.values[0])
{
    for (auto& value : key.values) {
        if (SameName(value.name, name))
            return &value;
    }
    return nullptr;
}

// --- the file -------------------------------------------------------------------------

const QStringList kValueFields{"name", "type", "text", "bytes"};
const QStringList kKeyFields{"name", "values", "keys"};

QJsonObject Without(QJsonObject json, const QStringList& fields)
{
    for (const QString& field : fields)
        json.remove(field);
    return json;
}

QJsonObject ValueToJson(const Value& value)
{
    QJsonObject v = value.unknownFields;
    v.insert("name", value.name);
    v.insert("type", static_cast<qint64>(value.type));
    if (IsTextType(value.type))
        v.insert("text", value.data.text);
    else
        v.insert("bytes", QString::fromLatin1(value.data.bytes.toBase64()));
    return v;
}

QJsonObject KeyToJson(const Key& key)
{
    QJsonArray values;
    for (const Value& value : key.values)
        values.append(ValueToJson(value));
    for (const QJsonValue& raw : key.unreadableValues)
        values.append(raw);
    QJsonArray keys;
    for (const Key& child : key.keys)
        keys.append(KeyToJson(child));
    for (const QJsonValue& raw : key.unreadableKeys)
        keys.append(raw);
    QJsonObject json = key.unknownFields;
    json.insert("name", key.name);
    json.insert("values", values);
    json.insert("keys", keys);
    return json;
}

std::optional<Value> ValueFromJson(const QJsonValue& item)
{
    const QJsonObject v = item.toObject();
    const QJsonValue type = v.value("type");
    if (!item.isObject() || !v.value("name").isString() || !type.isDouble())
        return std::nullopt;
    const double number = type.toDouble();
    if (number < 0 || number > 0xFFFFFFFF || number != std::floor(number))
        return std::nullopt;
    Value value{v.value("name").toString(), static_cast<std::uint32_t>(number), {}, Without(v, kValueFields)};
    if (IsTextType(value.type)) {
        if (!v.value("text").isString())
            return std::nullopt;
        value.data.text = v.value("text").toString();
    } else {
        if (!v.value("bytes").isString())
            return std::nullopt;
        auto decoded = QByteArray::fromBase64Encoding(v.value("bytes").toString().toLatin1(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        value.data.bytes = std::move(*decoded);
    }
    return value;
}

// A list field of a key: an array, or missing (empty). Anything else is kept as one
// unreadable entry.
QJsonArray ListField(const QJsonObject& json, const char* field, Unreadable& unreadable)
{
    const QJsonValue list = json.value(QLatin1String(field));
    if (list.isArray())
        return list.toArray();
    if (!list.isUndefined())
        unreadable.append(list);
    return {};
}

// The key's name is set by the caller for roots; a child needs a name of its own.
std::optional<Key> KeyFromJson(const QJsonValue& item, bool needsName)
{
    const QJsonObject json = item.toObject();
    if (!item.isObject() || (needsName && !json.value("name").isString()))
        return std::nullopt;
    Key key;
    key.name = json.value("name").toString();
    key.unknownFields = Without(json, kKeyFields);
    for (const QJsonValue& v : ListField(json, "values", key.unreadableValues)) {
        if (std::optional<Value> value = ValueFromJson(v))
            key.values.push_back(std::move(*value));
        else
            key.unreadableValues.append(v);
    }
    for (const QJsonValue& k : ListField(json, "keys", key.unreadableKeys)) {
        if (std::optional<Key> child = KeyFromJson(k, true))
            key.keys.push_back(std::move(*child));
        else
            key.unreadableKeys.append(k);
    }
    return key;
}

Roots EmptyRoots()
{
    Roots roots;
    for (int i = 0; i < kRootCount; ++i)
        roots[i].name = QString::fromLatin1(kRootKeyNames[i]);
    return roots;
}

enum class StoreState { Missing, Good, Damaged };

// The file's bytes, read so that nothing in the store's place can stall the start: the
// open does not block (a FIFO), only a regular file is read (not a device, nor a link to
// one), and at most kMaxStoreBytes (not a huge or sparse file). Anything else is Damaged.
StoreState ReadBoundedFile(const QString& path, QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? StoreState::Missing : StoreState::Damaged;
    struct stat info {};
    bool good = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxStoreBytes;
    if (good) {
        // One byte more than the cap tells a file that grew since fstat.
        bytes.resize(kMaxStoreBytes + 1);
        qsizetype done = 0;
        for (;;) {
            const ssize_t got = ::read(fd, bytes.data() + done, static_cast<std::size_t>(bytes.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                good = got == 0;
                break;
            }
            done += got;
            if (done == bytes.size()) {
                good = false;
                break;
            }
        }
        bytes.resize(good ? done : 0);
    }
    ::close(fd);
    return good ? StoreState::Good : StoreState::Damaged;
}

// Reads the file. Damaged means it could not be read or is not a store at all (not JSON,
// another format or version); a store with unreadable entries is Good, those entries
// reading as missing.
StoreState ReadStoreFile(const QString& path, Store& store)
{
    store = Store{EmptyRoots(), {}, {}};
    QByteArray bytes;
    if (const StoreState read = ReadBoundedFile(path, bytes); read != StoreState::Good)
        return read;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return StoreState::Damaged;
    const QJsonObject top = doc.object();
    const QJsonValue roots = top.value("roots");
    if (top.value("format").toString() != kFormatName || top.value("version").toInt() != kFormatVersion
        || !(roots.isObject() || roots.isUndefined()))
        return StoreState::Damaged;
    store.unknownFields = Without(top, {"format", "version", "roots"});
    store.unknownRoots = roots.toObject();
    for (int i = 0; i < kRootCount; ++i) {
        const QString name = QString::fromLatin1(kRootKeyNames[i]);
        std::optional<Key> root = KeyFromJson(store.unknownRoots.value(name), false);
        if (!root)
            continue; // missing, or kept as it stands until the program writes below it
        store.unknownRoots.remove(name);
        store.roots[i] = std::move(*root);
        store.roots[i].name = name;
    }
    return StoreState::Good;
}

// Reads the file as ReadStoreFile does. Some file systems show a file that another
// program is replacing as briefly missing; so a store that reads as missing or damaged
// is read again, after waiting for a writer that holds the lock. `locked`: the caller
// holds the lock itself, and nobody else replaces the file.
StoreState LoadStore(const QString& path, Store& store, bool locked)
{
    StoreState state = ReadStoreFile(path, store);
    for (int again = 0; again < 3 && state != StoreState::Good && !locked; ++again) {
        const QString lockPath = path + ".lock";
        QLockFile lock(lockPath);
        if (QFileInfo::exists(lockPath))
            lock.tryLock(kLockWaitMs);
        state = ReadStoreFile(path, store);
    }
    return state;
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

bool IsEmpty(const Key& key)
{
    return key.keys.empty() && key.values.empty() && key.unreadableKeys.isEmpty() && key.unreadableValues.isEmpty()
        && key.unknownFields.isEmpty();
}

QByteArray StoreBytes(const Store& store)
{
    QJsonObject rootsJson = store.unknownRoots;
    for (const Key& root : store.roots) {
        if (!IsEmpty(root))
            rootsJson.insert(root.name, KeyToJson(root)); // replaces an unreadable one
    }
    QJsonObject top = store.unknownFields;
    top.insert("format", kFormatName);
    top.insert("version", kFormatVersion);
    top.insert("roots", rootsJson);
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

bool SaveStore(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

// The store as the program sees it: the user's picture folder fills in the shell's
// folder table wherever the file does not hold it.
std::shared_ptr<const Store> AsSeen(Store store)
{
    const OpenKey shellFolders{HKEY_CURRENT_USER - HKEY_CLASSES_ROOT, kShellFoldersKey.split(u'\\'), 0, nullptr};
    Key& key = MakeKey(store.roots, shellFolders);
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!FindValue(key, kMyPicturesValue) && !pictures.isEmpty())
        key.values.push_back(Value{kMyPicturesValue, REG_SZ, {pictures + QChar(0), {}}, {}});
    return std::make_shared<const Store>(std::move(store));
}

// The store as last read, and which file it was read from. The window reads its settings
// dozens of times as it starts and closes; a file that is still the same file (every
// write replaces it by a new one: same inode, size and time mean unchanged) is not parsed
// again.
struct LastRead {
    std::mutex mutex;
    QString path;
    QString pictures;
    struct stat file {};
    std::shared_ptr<const Store> store;
};

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

std::shared_ptr<const Store> ReadStore()
{
    static LastRead last;
    const QString path = RegistryStorePath();
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    struct stat file {};
    const bool regular = ::stat(QFile::encodeName(path).constData(), &file) == 0 && S_ISREG(file.st_mode);
    if (regular) {
        const std::lock_guard lock(last.mutex);
        if (last.store && last.path == path && last.pictures == pictures && SameFile(last.file, file))
            return last.store;
    }
    Store store;
    const StoreState state = LoadStore(path, store, false);
    std::shared_ptr<const Store> seen = AsSeen(std::move(store));
    if (regular && state == StoreState::Good) {
        const std::lock_guard lock(last.mutex);
        last.path = path;
        last.pictures = pictures;
        last.file = file;
        last.store = seen;
    }
    return seen;
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
    Store store;
    const StoreState state = LoadStore(path, store, true);
    if (state == StoreState::Damaged) {
        if (!SetAside(path))
            return ERROR_WRITE_FAULT;
        store = Store{EmptyRoots(), {}, {}};
    }
    const QByteArray before = state == StoreState::Good ? StoreBytes(store) : QByteArray();
    const LONG result = change(store.roots);
    if (result != ERROR_SUCCESS)
        return result;
    // A change that changes nothing (the window saves every setting as it closes) leaves
    // the file alone: no write, no flush to the disk.
    const QByteArray after = StoreBytes(store);
    if (after == before)
        return ERROR_SUCCESS;
    return SaveStore(path, after) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

} // namespace

bool IsTextType(std::uint32_t dwType)
{
    return dwType == REG_SZ || dwType == REG_EXPAND_SZ || dwType == REG_MULTI_SZ;
}

QString RegistryStorePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/zimbrel/registry.json";
}

LONG RegOpenKeyExA(HKEY hKey, const QString& lpSubKey, std::uint32_t ulOptions, std::uint32_t samDesired,
                   HKEY* phkResult)
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
    if (!FindKey(ReadStore()->roots, *where))
        return ERROR_FILE_NOT_FOUND;
    *phkResult = NewHandle(std::move(*where));
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, const QString& lpValueName, std::uint32_t* lpReserved, std::uint32_t* lpType,
                      RegData* lpData, std::uint32_t* lpcbData)
{
    const std::optional<OpenKey> where = KeyOfHandle(hKey);
    if (!where)
        return ERROR_INVALID_HANDLE;
    if (!(where->access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    // A data query answers from the version its size query read, and uses it up.
    std::shared_ptr<const Store> store = lpData ? where->sized : nullptr;
    if (store)
        KeepSized(hKey, nullptr);
    else
        store = ReadStore();
    const Key* key = FindKey(store->roots, *where);
    const Value* value = key ? FindValue(*key, lpValueName) : nullptr;
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    const bool text = IsTextType(value->type);
    const auto size = static_cast<std::uint32_t>(text ? value->data.text.size() : value->data.bytes.size());
    if (lpType)
        *lpType = value->type;
    const std::uint32_t room = lpcbData ? *lpcbData : 0;
    if (lpcbData)
        *lpcbData = size;
    if (!lpData || room < size) {
        KeepSized(hKey, store);
        return lpData ? ERROR_MORE_DATA : ERROR_SUCCESS;
    }
    *lpData = value->data;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY hKey, const QString& lpSubKey, std::uint32_t Reserved, const QString& lpClass,
                     std::uint32_t dwOptions, std::uint32_t samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes,
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
    const LONG result = FindKey(ReadStore()->roots, *where) ? ERROR_SUCCESS : ModifyStore([&](Roots& roots) {
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

LONG RegSetValueExA(HKEY hKey, const QString& lpValueName, std::uint32_t Reserved, std::uint32_t dwType,
                    const RegData& lpData, std::uint32_t cbData)
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
    // A value set to what it holds already needs no lock and no write: the window saves
    // every setting as it closes.
    const std::shared_ptr<const Store> stored = ReadStore();
    if (const auto* key = FindKey(stored->roots, *where)) {
        const auto* value = FindValue(*key, lpValueName);
        if (value && value->type == dwType && value->data.text == data.text && value->data.bytes == data.bytes)
            return ERROR_SUCCESS;
    }
    return ModifyStore([&](Roots& roots) {
        // The key was open; a store set aside since then gets it back.
        Key& key = MakeKey(roots, *where);
        if (Value* value = FindValue(key, lpValueName)) {
            value->type = dwType;
            value->data = std::move(data);
            return ERROR_SUCCESS;
        }
        // A value of this name that could not be read gives way to the new one.
        for (qsizetype i = key.unreadableValues.size() - 1; i >= 0; --i) {
            const QJsonValue name = key.unreadableValues.at(i).toObject().value("name");
            if (name.isString() && SameName(name.toString(), lpValueName))
                key.unreadableValues.removeAt(i);
        }
        key.values.push_back(Value{lpValueName, dwType, std::move(data), {}});
        return ERROR_SUCCESS;
    });
}

LONG RegCloseKey(HKEY hKey)
{
    if (IsPredefined(hKey))
        return ERROR_SUCCESS;
    HandleTable& table = Handles();
    const std::lock_guard lock(table.mutex);
    return table.open.erase(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // namespace platform
