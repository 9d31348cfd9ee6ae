object InvoiceForm: TInvoiceForm
  Left = 220
  Top = 140
  Width = 400
  Height = 260
  HelpContext = 400
  Caption = 'Invoice'
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  PixelsPerInch = 96
  TextHeight = 13
  object CustomerEdit: TEdit
    Left = 80
    Top = 12
    Width = 200
    Height = 21
    HelpContext = 110
    TabOrder = 0
  end
  object TotalEdit: TEdit
    Left = 80
    Top = 44
    Width = 100
    Height = 21
    HelpContext = 410
    ReadOnly = True
    TabOrder = 1
  end
end
