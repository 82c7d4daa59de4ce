// What one press of Install asks for, and the models the dialog offers.
#pragma once

#include <windows.h>

#include <cstddef>
#include <iterator>

enum ConnectionKind : WORD {
  kConnectionNone = 0,
  kConnectionUsb = 1,
  kConnectionCom = 2,
  kConnectionNet = 3,
  kConnectionLpt = 6,
};

inline constexpr size_t kNameChars = 260;

// Created zeroed for every press of Install; lives only for that press.
struct InstallRequest {
  WCHAR driverName[kNameChars];   // the model name
  WCHAR printerName[kNameChars];  // starts as the model name; made unique
  WCHAR portName[kNameChars];     // a port list line, or the TCP/IP port made for NET
  const WCHAR* dataFile;          // the model's printer description
  WORD connectionKind;            // a ConnectionKind
};

// One row per model radio button (row i belongs to button 1030 + i). A row
// without a model name is never offered: its button is hidden.
struct ModelRow {
  const WCHAR* modelName;
  const WCHAR* dataFile;
  const WCHAR* wizardInf;
};

inline constexpr ModelRow kModelTable[] = {
    {nullptr, L"BRINDOL80.GPD", nullptr},
    {nullptr, L"BRINDOL80.GPD", nullptr},
    {L"BRINDOL-80", L"BRINDOL80C.GPD", L"BRINDOL80.inf"},
    {L"BRINDOL-58", L"BRINDOL58C.GPD", L"BRINDOL58.inf"},
    {nullptr, L"BRINDOL80.GPD", nullptr},
    {nullptr, L"BRINDOL80.GPD", nullptr},
};
inline constexpr size_t kModelCount = std::size(kModelTable);
