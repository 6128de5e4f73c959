// Identifiers of the demo's resource library (demo.rc), shared with the demo.
#pragma once

#define IDS_DEMO_TITLE  1   // a line of text
#define IDB_DEMO_PAD    2   // 24 x 16, 8 bits: a game pad on magenta
#define IDI_DEMO_DISC   3   // 32 x 32, 32 bits with alpha: a green disc
