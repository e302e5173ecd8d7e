#pragma once
// The few pieces of JSON the preview writes by hand.

#include <string>
#include <vector>

// `text` as a JSON string, quotes included.
std::string jsonQuote(const std::string& text);
// A number; a non-finite one becomes 0.
std::string jsonNumber(double number);
// Numbers as a JSON array; non-finite numbers become 0.
std::string jsonNumbers(const std::vector<double>& numbers);
// Already-formed JSON values as a JSON array.
std::string jsonArray(const std::vector<std::string>& values);
