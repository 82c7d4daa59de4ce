// Common ground of the setup program's tests: a fresh machine per test (winsim
// natively, the real API in the Windows build), with the program in
// C:\setup\, and helpers to stage the package and read the log.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install_request.h"
#include "machine.h"

class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Every handle the code opened must be closed again.
  void TearDown() override;

  // Writes the 13 package files (architecture files under `folder`) into
  // C:\setup\, leaving out `missing`.
  static void StagePackage(const std::wstring& folder = machine::NativeFolder(),
                           const std::wstring& missing = L"");
  // What StagePackage writes for one architecture file: the least PE image
  // for the folder's machine, with the folder and the name after the headers.
  static std::string StagedLibrary(const std::wstring& folder, const std::wstring& file);
  // The least PE image with this machine type, `tail` after its headers.
  static std::string PeImage(WORD machine, const std::string& tail);
  // A request as the install flow builds it for the model BRINDOL-80.
  static InstallRequest Request(const std::wstring& port,
                                const std::wstring& model = L"BRINDOL-80");
  // The log lines written since the test began (the separate line feeds
  // dropped, after checking each line was followed by one).
  static std::vector<std::string> LogLines();
  static std::vector<std::wstring> PrinterNames();
};

using machine::Utf8;

#include "dialog.h"

// A test with the setup dialog open, created from the real resource scripts
// through the real dialog procedure.
class DialogTest : public InstallerTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh machine (as SetUp makes it) in the middle of a table of cases.
  void ResetMachine();
  HWND Open();
  HWND Item(int id) const;
  bool Visible(int id) const;
  bool Enabled(int id) const;
  bool Checked(int id) const;
  std::wstring Text(int id) const;
  std::vector<std::wstring> Lines() const;
  int Selection() const;
  DWORD Address() const;
  // Adds a line to the found-printer list, as the network discovery would.
  void AddFoundPrinter(const std::wstring& address);

  DialogState state_;
  HWND dialog_ = nullptr;
};

bool EqualNoCaseForTest(const std::wstring& a, const std::wstring& b);
