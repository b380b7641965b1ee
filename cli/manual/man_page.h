// The manual page, made from the very descriptions, options and footers that
// --help shows. docs/qvl.1 is its output (qvl --man-page > docs/qvl.1), and a test
// fails when the two differ.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace qv::cli {

// `date`: the release's, YYYY-MM-DD, so that the page is the same at every build.
std::string ManPage(const CLI::App& app, const std::string& version, const std::string& date);

}  // namespace qv::cli
