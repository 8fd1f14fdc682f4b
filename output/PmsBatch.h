#pragma once
#include <string>
#include <vector>

#include "output/MakeServices.h"
#include "selection/CheckedRow.h"

namespace obri {

class CSusie;

struct PmsBatchInput {
    std::vector<CheckedRow> rows;
    std::string TempDir;  // work folder, ending in '/'
    std::string ConverterPath;
    std::string PmsDir;  // a plain prefix, taken as it is
    std::string historyPath;
};

// The names one row is given. pmsName is what OBRI.hed and the history name for the row.
struct RowNames {
    bool safe = false;    // false: the row's name would leave its folder or break a line
    std::string bmpName;  // also the work name: there are no short names here
    std::string pmsName;  // "" for a row whose name is not safe
};
// FileName cut to its last component ('/', and '\' too for an archive member), then the rules:
// extension replaced by ".bmp", then by ".pms". Empty, "." or ".." or a control character: not safe.
RowNames rowNames(const CheckedRow& row);

struct FailedRow {
    std::string FileName;
    std::string reason;  // one of the kReason texts
};

struct PmsBatchReport {
    bool noRows = false;  // nothing was done
    std::vector<FailedRow> failed;
    ClosingMessage message() const;
};

// The PMS batch: every row decoded into a fresh bitmap, saved as a BMP in TempDir, converted,
// the PMS file moved into PmsDir (never over an existing one), the work files deleted; then
// PmsDir + "OBRI.hed" with one line per row, and one history block. A file that cannot be created
// raises PlatformError and stops the batch; OBRI.hed and the history are then not written.
PmsBatchReport runPmsBatch(const PmsBatchInput& input, CSusie& susie, const MakeServices& services);

}  // namespace obri
