#pragma once

class QTextCodec;

// The quote service speaks GBK whatever the desktop's locale is. GB18030 is its superset, so
// rarer characters in share names decode too. The worker decodes with it and the window
// encodes back with it, so both sides always agree.
QTextCodec* QuoteCodec();
