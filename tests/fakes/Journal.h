// One ordered record of every call the fakes receive, so a test reads like the behaviour:
// "CommPort=1", "Settings=9600,N,8,1", ..., "PortOpen=1".
#pragma once

#include <string>
#include <vector>

namespace tolvane::fake {

struct Journal {
  std::vector<std::string> entries;

  void Add(std::string entry) { entries.push_back(std::move(entry)); }
  void Clear() { entries.clear(); }
  // Entries that start with prefix, in order.
  std::vector<std::string> With(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& e : entries)
      if (e.compare(0, prefix.size(), prefix) == 0) out.push_back(e);
    return out;
  }
};

// A fake that writes what it is asked into the shared journal.
class Journaled {
 public:
  explicit Journaled(Journal& journal) : journal_(journal) {}

 protected:
  Journal& journal_;
};

}  // namespace tolvane::fake
