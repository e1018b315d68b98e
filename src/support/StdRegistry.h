#pragma once
// The program's only access to persistent settings: reads a registry value as text with a
// fallback default, and writes a text value after creating every missing key on its path.
// A key path may name its root at the front ("HKEY_CURRENT_USER\..." or "HKCU\...",
// "HKCU:\..." or "HKCU/...", root names case-sensitive) with the root selector -1, or the
// root is picked by index 0..6, or any other selector is taken as a key handle itself.
// Nothing here reports a failure: reads fall back to the caller's default, failed writes
// leave the value missing.

#include <QString>

#include <cstdint>

namespace StdRegistry {

// The value of sValueName ("@" is the key's default value) in the key sKeyPath, as text:
// string data without its terminator (REG_EXPAND_SZ unexpanded), REG_MULTI_SZ as each
// string followed by "\r\n", REG_DWORD as signed decimal, REG_BINARY byte for byte (one
// character per byte). sDefault when the key or the value cannot be read; empty text when
// the value exists but its data cannot be fetched.
QString GetRegValue(std::int32_t lRootKey, const QString& sKeyPath, const QString& sValueName, const QString& sDefault);

// Creates every level of sKeyPath and stores sValue there as REG_SZ under sValueName.
void SaveRegString(std::int32_t lRootKey, const QString& sKeyPath, const QString& sValueName, const QString& sValue);

// Creates every missing level of sKeyPath, one level at a time from the front.
void CreateRegKey(std::int32_t lRootKey, const QString& sKeyPath);

// Creates (or opens) the key sSubKey below sParentKeyPath; an empty parent is the root.
void CreateRegSubKey(std::int32_t lRootKey, const QString& sParentKeyPath, const QString& sSubKey);

// Stores the first lByteCount units of sData as the value sValueName ("@": the default
// value) of type lType in the existing key sKeyPath. String types count UTF-16 units and
// REG_SZ is stored with its terminator; other types take one byte per character (the
// low eight bits). Does nothing when the key cannot be opened.
void SetRegValue(std::int32_t lRootKey, const QString& sKeyPath, const QString& sValueName, std::int32_t lType,
                 const QString& sData, std::int32_t lByteCount);

// Resolves a root selector to a key handle value. With lRootKey -1 the root name is cut
// off the front of sKeyPath ("/" read as "\", the name ending at the first ":\" or else
// the first "\") and lRootKey becomes its index (-1 when unknown). Index 0..6 gives
// 0x80000000 + index; any other selector is returned unchanged. Changes both arguments.
std::int32_t ResolveRootKey(std::int32_t& lRootKey, QString& sKeyPath);

// Index 0..6 of a predefined root key's long or short name (exact, case-sensitive), or -1.
std::int32_t GetRootKeyIndex(const QString& sRootName);

// "Software\" + company name + "\" + product name, built on first use and kept.
QString GetSettingsKey();

} // namespace StdRegistry
