// The fast search: the keywords of the search box as a filter on the screen's settings, kept
// in the visitor's session so that the result's later pages keep it.
#pragma once

#include <memory>

namespace korvex {

class AdminRecordset;
class Dispatch;

/// Sets target's Filter (reached by name): on a fresh search (the request's updatefilter is
/// "1") from the keywords, narrowing the page's own filter, and keeps it in the session
/// value "Filter" + suffix; on any later request, from that session value. Gives target back.
std::shared_ptr<Dispatch> ApplyFastSearch(AdminRecordset& page, std::shared_ptr<Dispatch> target);

}  // namespace korvex
