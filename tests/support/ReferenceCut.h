#pragma once

#include "QuoteText.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

// The cutting of a response text done the long way, with ExtractBetween, SplitString and
// TrimString on copies; CutQuote must give the same record.
inline bool ReferenceCut(const std::string& sText, StockQuote& quote)
{
    std::string sCode = sText;
    std::string sFields = sText;
    ExtractBetween(sCode, "_str_", "=");
    ExtractBetween(sFields, "=\"", "\";");
    const std::vector<std::string> vecFields = SplitString(sFields, ",");
    if (vecFields.size() < 6)
        return false;
    auto toFloat = [](const std::string& sField) {
        const double dValue = std::atof(sField.c_str());
        if (std::isnan(dValue) || std::fabs(dValue) > std::numeric_limits<float>::max())
            return std::numeric_limits<float>::quiet_NaN();
        return static_cast<float>(dValue);
    };
    const float dPrevious = toFloat(vecFields[2]);
    const float dPrice = toFloat(vecFields[3]);
    quote.sCode = sCode;
    quote.sName = vecFields[0];
    quote.sPrice = vecFields[3];
    quote.dChange = std::numeric_limits<float>::quiet_NaN();
    if (dPrevious != 0.0f && dPrice != 0.0f && !std::isnan(dPrevious) && !std::isnan(dPrice))
        quote.dChange = (dPrice - dPrevious) / dPrevious;
    return true;
}

inline bool SameQuote(const StockQuote& a, const StockQuote& b)
{
    const bool bSameChange = (std::isnan(a.dChange) && std::isnan(b.dChange)) || a.dChange == b.dChange;
    return a.sCode == b.sCode && a.sName == b.sName && a.sPrice == b.sPrice && bSameChange;
}
