#pragma once

#include "job/job_settings.h"
#include "job/window_port.h"

#include <QString>

#include <functional>

// The diz numbering check (checkDizNumbering); returns NumberingValid and, when it fails,
// says why in *why. It shows its own messages and focus.
using NumberingCheck = std::function<bool(const JobSettings&, QString* why)>;

struct LoadedJobCheck {
    bool JobValidated = false;
    Page page = Page::Source; // the page that needs attention when not validated
    QString focus;            // design name of the text box to focus, if any
    QString reason;           // one line naming the failed check
    bool endProgram = false;  // batch mode: end at once (numbering fields missing)
};

// Tests a just loaded job field by field against the disk. Failing checks empty the
// fields they name as a user would have to pick them again; outside batch mode the page
// that needs attention is shown. Nothing is written. An empty numbering check fails a
// numbered job.
LoadedJobCheck checkLoadedJob(JobSettings& job, WindowPort& window, const RunFlags& flags,
                              const NumberingCheck& checkNumbering);

// Whether one skip entry names something that exists: an entry ending in "*" must match an
// entry of its directory (a directory's own "*.*" always does), any other an existing file.
bool skipEntryExists(const QString& entry);
