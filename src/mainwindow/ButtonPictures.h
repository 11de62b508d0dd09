#pragma once

#include <QIcon>

// The pictures of the window's picture buttons, drawn by the program at
// whatever size and resolution a button asks for. Looking the style's
// standard pictures up in the desktop's icon theme read the theme's index
// and searched its folders: about 10 ms before the window's first picture.
enum class ButtonPicture {
    Transfer, // an arrow down: the pasted text goes into the destination
    Clear,    // a cross in a ring: empties fields
    Mail,     // an envelope: a support message
    Home,     // a house: the product's web page
};

QIcon buttonPicture(ButtonPicture which);
