// The printer's real-time status: asked over the job's connection before a
// job, after each page and at its end, and shown in printer-state-reasons.
// A job never sends into a printer without paper or with its cover open: it
// waits, with the reason shown, until the printer can print or the job is
// canceled.
#pragma once

#include <pappl/pappl.h>

#include <cstdint>

// What the answers to the four status requests say.
struct PrinterStatus {
  bool answered = false;
  bool offline = false;
  bool coverOpen = false;
  bool paperOut = false;
  bool paperLow = false;
  bool error = false;
};

// The answers to DLE EOT 1, 2, 3 and 4, in that order. A byte that is not a
// status answer (bits 1 and 4 set, bits 0 and 7 clear) makes the whole
// unanswered: a printer that does not know the requests may send other data.
PrinterStatus DecodeStatus(const std::uint8_t answers[4]);

// The reasons this status module sets and clears; no other reason is touched.
constexpr pappl_preason_t kStatusReasons = static_cast<pappl_preason_t>(
    PAPPL_PREASON_MEDIA_EMPTY | PAPPL_PREASON_MEDIA_NEEDED | PAPPL_PREASON_MEDIA_LOW |
    PAPPL_PREASON_COVER_OPEN | PAPPL_PREASON_OFFLINE | PAPPL_PREASON_OTHER);

// Whether nothing may be sent now: paper out, cover open, offline or an error.
bool MustWait(const PrinterStatus& status);

// printer-state-reasons for a status; media-needed when a job waits for paper.
pappl_preason_t ReasonsOf(const PrinterStatus& status, bool jobWaiting);

// Asks the printer and waits until it can print, asking again every second;
// false when the job was canceled meanwhile. A printer that does not answer
// costs one short wait, after which it is not asked again for a while and
// jobs print at full speed. Devices that cannot read back are never asked.
bool WaitUntilPrintable(pappl_job_t* job, pappl_device_t* device);

// pappl_pr_status_cb_t: while no job runs, asks a printer that shows a
// reason of this module again, so that paper loaded or a cover closed
// between jobs is seen without a job.
bool RefreshIdleStatus(pappl_printer_t* printer);
