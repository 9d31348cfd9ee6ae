object Form1: TForm1
  Caption = 'Main'
end
