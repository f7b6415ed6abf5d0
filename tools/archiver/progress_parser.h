#pragma once

#include <string>
#include <string_view>
#include <vector>

// Reads 7-Zip's progress stream (-bsp1). 7-Zip redraws one line: it writes a record such as
// " 45% 12 + data/big.bin", and before the next record erases it with as many backspaces,
// then blanks, then backspaces as the record had bytes. A record counts only when it is
// followed by an erase of its own length and starts with the four-character percent field,
// so a file name holding backspaces, CRs or "99%" cannot fake a percentage.
class SevenZipProgress {
  public:
    // Feeds the next bytes, cut anywhere; returns each percentage (0..100) that differs from
    // the last one returned, in order.
    std::vector<int> feed(std::string_view bytes);

  private:
    void takeRecord(std::string_view record, std::vector<int>& changed);

    std::string pending_; // bytes since the end of the last erase
    int last_ = -1;
};
