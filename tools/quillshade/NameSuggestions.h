#pragma once
// Names ordered by how closely they resemble one that a user mistyped: the
// fewest single-letter edits first, ignoring case.

#include <string>
#include <vector>

std::vector<std::string> closestFirst(const std::string& wanted, std::vector<std::string> names);

// The name the user most likely meant: the closest, when it is within two
// edits and under half the wanted name's length; empty otherwise.
std::string likelyMeant(const std::string& wanted, const std::vector<std::string>& names);
