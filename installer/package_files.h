// The driver package as the setup program installs it: the files it copies
// from the setup directory into the spooler's driver directory, and the
// dependent files it registers with the driver.
#pragma once

#include <windows.h>

#include <iterator>

// Copied from the architecture folder of the setup directory (amd64, i386,
// ...), in this order.
inline constexpr const WCHAR* kArchitecturePackageFiles[] = {
    L"BRINDOL80RES.DLL", L"BRINDOL80.DLL", L"UNIDRV.DLL", L"UNIDRVUI.DLL", L"UNIRES.DLL",
};

// Copied from the setup directory itself, after the architecture files.
inline constexpr const WCHAR* kCommonPackageFiles[] = {
    L"BRINDOL80.INI",  L"BRINDOL80C.INI", L"BRINDOL80C.GPD", L"BRINDOL58C.INI",
    L"BRINDOL58C.GPD", L"STDNAMES.GPD",   L"TTFSUB.GPD",     L"UNIDRV.HLP",
};

inline constexpr size_t kPackageFileCount =
    std::size(kArchitecturePackageFiles) + std::size(kCommonPackageFiles);
static_assert(kPackageFileCount == 13);

// The dependent files of the registered driver as one comma-separated text;
// every comma becomes a NUL, so the trailing commas end the multi-string.
// The same for every model: it names the generic INI only.
inline constexpr WCHAR kDependentFilesText[] =
    L"TTFSUB.GPD,STDNAMES.GPD,UNIRES.DLL,BRINDOL80.DLL,BRINDOL80RES.DLL,BRINDOL80.INI,,,";

// The same six names one by one, for checks against the package.
inline constexpr const WCHAR* kDependentFiles[] = {
    L"TTFSUB.GPD",    L"STDNAMES.GPD",     L"UNIRES.DLL",
    L"BRINDOL80.DLL", L"BRINDOL80RES.DLL", L"BRINDOL80.INI",
};

// Files the host loads for every driver of the package.
inline constexpr WCHAR kDriverPathFile[] = L"uniDRV.DLL";
inline constexpr WCHAR kConfigFile[] = L"uniDRVUI.DLL";
