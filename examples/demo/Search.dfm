object SearchForm: TSearchForm
  Left = 240
  Top = 160
  Width = 360
  Height = 200
  HelpType = htKeyword
  HelpKeyword = 'searching'
  HelpContext = 500
  Caption = 'Find'
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  PixelsPerInch = 96
  TextHeight = 13
  object FindEdit: TEdit
    Left = 80
    Top = 12
    Width = 200
    Height = 21
    HelpKeyword = 'finding text'
    TabOrder = 0
  end
  object CaseBox: TCheckBox
    Left = 80
    Top = 44
    Width = 120
    Height = 17
    HelpKeyword = 'match case'
    Caption = 'Match case'
    TabOrder = 1
  end
  object WordsBox: TCheckBox
    Left = 80
    Top = 68
    Width = 120
    Height = 17
    HelpType = htContext
    HelpKeyword = 'whole words'
    Caption = 'Whole words only'
    TabOrder = 2
  end
end
