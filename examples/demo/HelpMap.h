/* Help context numbers of Project1.mak (quorvel-cli 1.2.0) */
#define IDH_MainForm 100
#define IDH_MainForm_CustomerEdit 110
#define IDH_MainForm_QuantityEdit 120
#define IDH_MainForm_OkButton 130
#define IDH_OptionsDialog_AutoSaveBox 210
#define IDH_OptionsDialog_BackupBox -1
#define IDH_OptionsDialog_FolderEdit 230
#define IDH_AboutBox_ProductName 310
#define IDH_AboutBox_Version 320
#define IDH_AboutBox_OkButton 340
