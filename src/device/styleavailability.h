#pragma once

class Tree;

// Whether the loaded device can be written in the old style: the first option of the first setting
// (stepping over a setting's "desc = ..." line) has an old-style name.
bool OldStyleAvailable(const Tree &tree);

// Whether the first setting has any option with a new-style "config" assignment.
bool NewStyleAvailable(const Tree &tree);

// How the "OLD" and "NEW" radio buttons are set after a device load.
struct StyleAvailability {
    bool newEnabled = true;
    bool oldEnabled = true;
    bool newChecked = true; // otherwise "OLD" is checked
};

StyleAvailability styleAvailability(const Tree &tree);
