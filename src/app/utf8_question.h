#pragma once

// The question asked once at start when the site list looks as if it was
// saved as UTF-8: read it as UTF-8 (true) or leave it as it was read. GUI
// thread only; blocks in a modal box until the operator answers.
bool AskReadAsUtf8();
