// Verb cycle shared by the keyboard and the mouse.
#include "input/verb.h"

#include <iostream>

cursor_types cursor_type = LOOK;

cursor_types nextVerb(int verb)
{
    switch (verb) {
    case DO:
        return LOOK;
    case LOOK:
        return TALK;
    case TALK:
        return INVENTORY;
    default:
        return DO;
    }
}

void advanceVerb()
{
    cursor_type = nextVerb(cursor_type);
    std::cout << "Cursor_type: " << cursor_type << std::endl;
}
