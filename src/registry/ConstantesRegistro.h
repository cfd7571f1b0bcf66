#pragma once

#include <cstdint>

// The registry's numbers as the Win32 headers define them: predefined root
// keys, access rights, value types and result codes. They are constants of
// our own namespace, not macros, so this header must not meet <windows.h> in
// one translation unit; a Win32 implementation of OperacionesRegistro
// includes <windows.h> in its .cpp only.
namespace vesmadur {

// Predefined root keys, as the 32-bit signed handle values clsReg keeps.
inline constexpr std::int32_t HKEY_CLASSES_ROOT = static_cast<std::int32_t>(0x80000000u);
inline constexpr std::int32_t HKEY_CURRENT_USER = static_cast<std::int32_t>(0x80000001u);
inline constexpr std::int32_t HKEY_LOCAL_MACHINE = static_cast<std::int32_t>(0x80000002u);
inline constexpr std::int32_t HKEY_USERS = static_cast<std::int32_t>(0x80000003u);
inline constexpr std::int32_t HKEY_CURRENT_CONFIG = static_cast<std::int32_t>(0x80000005u);

// Access rights asked for when a key is opened or created.
inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr std::uint32_t KEY_NOTIFY = 0x0010;
inline constexpr std::uint32_t KEY_CREATE_LINK = 0x0020;
// Query, set, create subkey, enumerate, notify and create link together.
inline constexpr std::uint32_t KEY_DERECHOS_ESCRITURA = 0x003F;

inline constexpr std::uint32_t REG_OPTION_NON_VOLATILE = 0;

// Value types.
inline constexpr std::int32_t REG_NONE = 0;
inline constexpr std::int32_t REG_SZ = 1;
inline constexpr std::int32_t REG_EXPAND_SZ = 2;
inline constexpr std::int32_t REG_BINARY = 3;
inline constexpr std::int32_t REG_DWORD = 4;
inline constexpr std::int32_t REG_DWORD_BIG_ENDIAN = 5;
inline constexpr std::int32_t REG_LINK = 6;
inline constexpr std::int32_t REG_MULTI_SZ = 7;
inline constexpr std::int32_t REG_QWORD = 11;

// Result codes of the registry calls.
inline constexpr std::int32_t ERROR_SUCCESS = 0;
inline constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::int32_t ERROR_INVALID_DATA = 13;
inline constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::int32_t ERROR_DISK_FULL = 112;
inline constexpr std::int32_t ERROR_BAD_PATHNAME = 161;
inline constexpr std::int32_t ERROR_MORE_DATA = 234;
inline constexpr std::int32_t ERROR_NO_MORE_ITEMS = 259;
// The hive cannot be parsed: nothing is written to it.
inline constexpr std::int32_t ERROR_BADDB = 1009;
inline constexpr std::int32_t ERROR_REGISTRY_IO_FAILED = 1016;
inline constexpr std::int32_t ERROR_KEY_DELETED = 1018;

} // namespace vesmadur
