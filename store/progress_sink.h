// What a front end that shows more than the window's bar hears while a job runs:
// what is being worked on, and how far the whole job is. The window's
// WM_JOB_PROGRESS carries a percentage of the part under way; this goes beside it,
// never instead of it. Called on the thread that runs the job.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // `item` names what is being worked on as its user knows it ("Favorites", a
  // record's target); empty where the part reporting does not know, and a job that
  // does fills it in before it passes the news on. `done` of `total` units (bytes)
  // of the whole job, or of the part reporting until a job maps them.
  virtual void OnProgress(std::string_view item, std::uint64_t done, std::uint64_t total) = 0;
};

}  // namespace qv
