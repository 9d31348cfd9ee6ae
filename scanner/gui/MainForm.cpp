#include "scanner/gui/MainForm.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    SetName("Form1");
    SetCaption("Quorvel");
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetLeft(195);
    SetTop(108);
    SetClientSize(297, 271);
    TFont font;
    font.SetName("MS Sans Serif");
    font.SetHeight(-11);
    font.SetColor(clWindowText);
    font.SetCharset(DEFAULT_CHARSET);
    font.SetStyle(0);
    SetFont(font);
}
