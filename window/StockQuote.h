#pragma once

#include <string>

// One share's quote as cut from a response line.
struct StockQuote
{
    std::string sCode;      // market-prefixed, such as sh600519
    std::string sName;      // in the quote service's encoding
    std::string sPrice;     // as received
    float dChange = 0.0f;   // ratio against the previous close; NaN when none can be computed
};
