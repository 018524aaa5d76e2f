#include "diag/repeat_filter.h"

#include <algorithm>
#include <bit>

#include "diag/local_calendar.h"

namespace vestrel {
namespace {

// Numbers compare by their bits, so that a NaN repeats itself like any value.
bool SameValue(const ParamValue& a, const ParamValue& b) {
  const auto* x = std::get_if<double>(&a);
  const auto* y = std::get_if<double>(&b);
  if (x != nullptr && y != nullptr) {
    return std::bit_cast<std::uint64_t>(*x) == std::bit_cast<std::uint64_t>(*y);
  }
  return a == b;
}

bool SameRecord(const ErrorRecord& a, const ErrorRecord& b) {
  return a.Number == b.Number && a.Line == b.Line && a.Level == b.Level &&
         a.Params.size() == b.Params.size() && a.Source == b.Source &&
         a.Description == b.Description && a.AppName == b.AppName &&
         std::equal(a.Params.begin(), a.Params.end(), b.Params.begin(),
                    [](const ErrorParam& p, const ErrorParam& q) {
                      return p.Name == q.Name && SameValue(p.Value, q.Value);
                    });
}

}  // namespace

RepeatFilter::Verdict RepeatFilter::Admit(const ErrorRecord& record, const LocalDateTime& now) {
  Verdict verdict{false, TakeEnded(now)};
  const auto same = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
    return SameRecord(entry.Run.Record, record);
  });
  if (same != entries_.end()) {
    same->LastSeen = ++seen_;
    if (same->Written < kWrittenWhole) {
      ++same->Written;
      return verdict;
    }
    if (same->Run.Count++ == 0) {
      same->Run.First = now;
    }
    same->Run.Last = now;
    verdict.Repeat = true;
    return verdict;
  }
  if (entries_.size() == kRecentRecords) {
    const auto oldest =
        std::min_element(entries_.begin(), entries_.end(),
                         [](const Entry& a, const Entry& b) { return a.LastSeen < b.LastSeen; });
    if (oldest->Run.Count > 0) {
      verdict.Ended.push_back(std::move(oldest->Run));
    }
    entries_.erase(oldest);
  }
  entries_.push_back({RepeatRun{record, 0, {}, {}}, LocalSeconds(now), 1, ++seen_});
  return verdict;
}

std::vector<RepeatRun> RepeatFilter::TakeEnded(const LocalDateTime& now) {
  const std::int64_t second = LocalSeconds(now);
  // A clock set back ends a run too, rather than stretching it.
  const auto over = [&](const Entry& entry) {
    const std::int64_t age = second - entry.StartSecond;
    return age < 0 || age >= kRunSeconds;
  };
  std::vector<RepeatRun> ended;
  for (const Entry& entry : entries_) {
    if (over(entry) && entry.Run.Count > 0) {
      ended.push_back(entry.Run);
    }
  }
  std::erase_if(entries_, over);
  return ended;
}

std::vector<RepeatRun> RepeatFilter::TakeAll() {
  std::vector<RepeatRun> ended;
  for (Entry& entry : entries_) {
    if (entry.Run.Count > 0) {
      ended.push_back(std::move(entry.Run));
    }
  }
  entries_.clear();
  return ended;
}

}  // namespace vestrel
