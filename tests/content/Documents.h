// Small documents of every kind the content index reads, made in the test:
// zip packages of XML parts and a PDF written by hand.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace zeph::test {

using Parts = std::vector<std::pair<std::string, std::string>>;

// A zip package of the parts (name, bytes), compressed.
std::string zipPackage(const Parts& parts);

// A document of the kind (by suffix: docx, xlsx, pptx, odt, ods, odp, epub,
// html, xml, pdf) holding the UTF-8 text; a PDF holds ASCII text only.
std::string documentHolding(const std::string& suffix, const std::string& utf8Text);

// A docx whose text part inflates to about the given number of bytes.
std::string inflatingDocument(size_t bytes);

}  // namespace zeph::test
