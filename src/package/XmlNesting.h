#pragma once
// How deeply the elements of an XML text nest, found by a flat scan before a
// recursive parser sees the text: rapidxml descends one call per level, so a
// few kilobytes of opening tags would overflow the stack of whichever thread
// parses them (a host's, inside the user's application).
//
// The scan reads markup as rapidxml does: comments, CDATA sections,
// processing instructions and other "<!" declarations open no element,
// quoted attribute values may hold '>' and "/>", and "</" closes whichever
// element is open. It never counts fewer levels than the parser descends.

#include <cstddef>
#include <string>

namespace XmlNesting {

// The deepest nesting any element of a configuration may have; config.xml is
// a flat list of keys, so a handful of levels is all any effect uses.
constexpr std::size_t kMaximumDepth = 64;

constexpr std::size_t kWithinLimit = static_cast<std::size_t>(-1);

// The offset of the first opening tag that nests deeper than `limit`, or
// kWithinLimit.
std::size_t findExcess(const std::string& text, std::size_t limit = kMaximumDepth);

}  // namespace XmlNesting
