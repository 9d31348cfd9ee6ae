#pragma once

#include "framework/TreeView.h"
#include "scanner/ScanResult.h"

// A scan's result shown in the window's tree view: its nodes replace the tree's, each captioned with
// its name (in the form's code page) and number, with the image of its kind. The tree does not draw
// while it fills (each insertion would otherwise update the window, seconds for thousands of nodes)
// and is drawn once at the end. A node the tree refuses raises "Unable to insert an item" and leaves
// the nodes added before it.
void ShowScanResult(TTreeNodes& nodes, const ScanResult& result);
