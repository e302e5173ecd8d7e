#pragma once
// Names ordered by how closely they resemble one that a user mistyped: the
// fewest single-letter edits first, ignoring case.

#include <string>
#include <vector>

std::vector<std::string> closestFirst(const std::string& wanted, std::vector<std::string> names);
