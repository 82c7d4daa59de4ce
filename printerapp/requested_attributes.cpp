// Get-Printer-Attributes with "all" among other requested attributes, as CUPS
// asks ("all,media-col-database"). PAPPL 1.3 returns only the attributes in
// the array libcups builds from requested-attributes, and libcups expands
// "all" into the standard names alone: our settings' -default and
// -supported attributes went missing (with "all" on its own, libcups builds
// no array and everything is returned). The program's own definition of the
// function comes first in the dynamic linker's search order, before
// libcups's: it calls libcups's and adds our names when "all" was asked for.
#include <cups/cups.h>
#include <dlfcn.h>

#include <string>
#include <vector>

#include "receipt_settings.h"

extern "C" cups_array_t* ippCreateRequestedArray(ipp_t* request) {
  using Create = cups_array_t* (*)(ipp_t*);
  static const auto library = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "ippCreateRequestedArray"));
  // The array keeps pointers, never copies: the names live as long as the
  // program.
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const VendorAttribute& attribute : VendorAttributes()) {
      all.push_back(std::string(attribute.name) + "-default");
      all.push_back(std::string(attribute.name) + "-supported");
    }
    return all;
  }();
  cups_array_t* requested = library ? library(request) : nullptr;
  if (!requested) return requested;  // everything
  ipp_attribute_t* attr = ippFindAttribute(request, "requested-attributes", IPP_TAG_KEYWORD);
  if (attr && ippContainsString(attr, "all")) {
    for (const std::string& name : names) cupsArrayAdd(requested, const_cast<char*>(name.c_str()));
  }
  return requested;
}
