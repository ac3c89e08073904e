#pragma once

#include "StockQuote.h"

#include <string>
#include <vector>

// Byte-string helpers that cut the quote service's line
//   var hq_str_sh600519="name,open,previous close,price,...";
// into a StockQuote.

// Keeps what stands between the first sStart and the first sEnd behind it; empties the text
// and returns false when either marker is missing.
bool ExtractBetween(std::string& sText, const std::string& sStart, const std::string& sEnd);

// Splits at every sSeparator (not empty) into trimmed tokens, empty ones included, so that
// field numbers count every field.
std::vector<std::string> SplitString(std::string sText, const std::string& sSeparator);

// Drops trailing spaces and tabs, then leading spaces (a leading tab stays).
std::string TrimString(const std::string& sText);

// Cuts one response text with the three helpers above; false when it holds no complete quote
// line (fewer than six fields).
bool CutQuote(const std::string& sText, StockQuote& quote);

// The change ratio as the table shows it: "5.00%", "-0.40%", or "--" when there is none.
std::string ChangeText(float dChange);
