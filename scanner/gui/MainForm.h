#pragma once

#include "framework/Forms.h"

// The program's one window.
class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);
};

extern TForm1* Form1; // not owned: the application owns the window; set while it is being built
