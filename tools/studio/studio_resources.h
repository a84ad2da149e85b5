#pragma once

// Resource identifiers of the studio, shared by its .rc files and its code.
#define kAppIconResource 1
#define kPlayerResource 101
#define kViewerResource 102
#define kHookResource 103
