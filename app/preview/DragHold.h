// SPDX-License-Identifier: MIT
#pragma once

struct DesktopCopy;

// Holds a drag that is about to begin until the copies it carries are
// ready, while the event loop runs on: the window paints and the copy's
// progress dialog shows. The mouse button stays pressed meanwhile; letting
// it go, or Escape, gives the drag up. Mouse moves and keys do nothing else
// in the meantime. True when the copy is ready and the drag may begin.
//
// The drag only begins with its files complete: a program that receives a
// drop asks for the data at once and gives up after a few seconds (a Qt
// program after five), so promising files that are still being copied would
// lose large ones.
bool holdDragUntilReady(DesktopCopy &copy);
