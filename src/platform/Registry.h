#pragma once
// The settings registry: a tree of keys holding typed values, reached through the five
// calls the program uses (open, query, create, set, close). Key and value names match
// without regard to letter case and keep the spelling they were created with. The tree
// is kept per user in one JSON file in the user's configuration folder (see
// RegistryStorePath); every write re-reads the file under a lock file, changes it and
// replaces it atomically, so two running instances never lose each other's values. A
// store that cannot be read or parsed reads as empty, and is renamed aside before the
// first write puts a new one in its place. Inside a store that parses, an entry that
// cannot be read (a hand edit gone wrong) reads as missing and everything else is kept;
// such entries, and roots and fields the program does not know, are written back as they
// stood. A query that answers a value's size keeps the version of the store it read for
// the handle's next data query, so the two queries of one read always agree.
//
// Unlike the platform's "A" calls, text is not narrowed to a code page: string data is
// UTF-16 text and its counts are in UTF-16 code units, so every Unicode text survives.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace platform {

using HKEY = std::int32_t;
using LONG = std::int32_t;

inline constexpr HKEY HKEY_CLASSES_ROOT = static_cast<HKEY>(0x80000000u);
inline constexpr HKEY HKEY_CURRENT_USER = static_cast<HKEY>(0x80000001u);
inline constexpr HKEY HKEY_LOCAL_MACHINE = static_cast<HKEY>(0x80000002u);
inline constexpr HKEY HKEY_USERS = static_cast<HKEY>(0x80000003u);
inline constexpr HKEY HKEY_PERFORMANCE_DATA = static_cast<HKEY>(0x80000004u);
inline constexpr HKEY HKEY_CURRENT_CONFIG = static_cast<HKEY>(0x80000005u);
inline constexpr HKEY HKEY_DYN_DATA = static_cast<HKEY>(0x80000006u);

// The names of the predefined root keys, in the order of their handles above (index i
// names HKEY_CLASSES_ROOT + i); the store's file keeps each root under its name.
inline constexpr std::array<const char*, 7> kRootKeyNames = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

// The shell's table of the user's folders, below HKEY_CURRENT_USER. Its value
// kMyPicturesValue answers the user's picture folder (QStandardPaths::PicturesLocation)
// wherever the store's file does not hold it.
inline const QString kShellFoldersKey = QStringLiteral(
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
inline const QString kMyPicturesValue = QStringLiteral("My Pictures");

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_WRITE_FAULT = 29;

inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;

inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x1;
inline constexpr std::uint32_t KEY_SET_VALUE = 0x2;
inline constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x4;
inline constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x8;
inline constexpr std::uint32_t KEY_NOTIFY = 0x10;
inline constexpr std::uint32_t KEY_CREATE_LINK = 0x20;

inline constexpr std::uint32_t REG_OPTION_NON_VOLATILE = 0;
inline constexpr std::uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr std::uint32_t REG_OPENED_EXISTING_KEY = 2;

// Default security; kept for the shape of the call, its contents are not used.
struct SECURITY_ATTRIBUTES {
    std::uint32_t nLength = 0;
    std::uintptr_t lpSecurityDescriptor = 0;
    std::int32_t bInheritHandle = 0;
};

// The data of one value. The string types (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) use text,
// NUL terminators included, counted in UTF-16 code units; every other type uses bytes
// (REG_DWORD: four bytes, least significant first).
struct RegData {
    QString text;
    QByteArray bytes;
};

// True for the types whose data is text.
bool IsTextType(std::uint32_t dwType);

// Opens the existing key lpSubKey below hKey (an empty lpSubKey opens hKey itself again)
// with the access rights samDesired. ERROR_FILE_NOT_FOUND when it does not exist,
// ERROR_INVALID_HANDLE for an unknown hKey.
LONG RegOpenKeyExA(HKEY hKey, const QString& lpSubKey, std::uint32_t ulOptions, std::uint32_t samDesired,
                   HKEY* phkResult);

// Type and size of a value; with lpData, also its data. *lpcbData holds the room the
// caller offers (units as in RegData) and receives the size; ERROR_MORE_DATA when the
// data does not fit. An empty lpValueName names the key's default value. Needs
// KEY_QUERY_VALUE.
LONG RegQueryValueExA(HKEY hKey, const QString& lpValueName, std::uint32_t* lpReserved, std::uint32_t* lpType,
                      RegData* lpData, std::uint32_t* lpcbData);

// Creates lpSubKey (every missing level of it) below hKey, or opens it when it exists;
// *lpdwDisposition tells which. Needs KEY_CREATE_SUB_KEY on hKey.
LONG RegCreateKeyExA(HKEY hKey, const QString& lpSubKey, std::uint32_t Reserved, const QString& lpClass,
                     std::uint32_t dwOptions, std::uint32_t samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes,
                     HKEY* phkResult, std::uint32_t* lpdwDisposition);

// Stores the first cbData units of lpData as the value lpValueName of type dwType,
// replacing any value of that name. REG_SZ and REG_EXPAND_SZ text is stored with its
// terminating NUL even when cbData leaves it out. Needs KEY_SET_VALUE.
LONG RegSetValueExA(HKEY hKey, const QString& lpValueName, std::uint32_t Reserved, std::uint32_t dwType,
                    const RegData& lpData, std::uint32_t cbData);

// Releases a handle from RegOpenKeyExA or RegCreateKeyExA; predefined keys stay open.
LONG RegCloseKey(HKEY hKey);

// The store's file: <configuration folder>/zimbrel/registry.json, the configuration
// folder being QStandardPaths::GenericConfigLocation (XDG_CONFIG_HOME) at the time of call.
QString RegistryStorePath();

} // namespace platform
