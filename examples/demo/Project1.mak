# ---------------------------------------------------------------------------
VERSION = 1.01
# ---------------------------------------------------------------------------
!ifndef ROOT
ROOT = $(MAKEDIR)\..
!endif
# ---------------------------------------------------------------------------
PROJECT = Project1.exe
OBJFILES = Project1.obj MainForm.obj Options.obj About.obj Splash.obj Reports.obj
RESFILES = Project1.res
RESDEPEN = $(RESFILES) MainForm.dfm Options.dfm About.dfm \
    Splash.dfm Reports.dfm
LIBFILES =
DEFFILE =
# ---------------------------------------------------------------------------
CFLAG1 = -Od -Hc -w -k -r- -y -v -vi- -c -a4 -b- -w-par -w-inl -Vx -Ve -x
CFLAG2 = -I$(ROOT)\include;$(ROOT)\include\forms -H=$(ROOT)\lib\formsd.csm
PFLAGS = -AWinTypes=Windows;WinProcs=Windows;DbiTypes=BDE;DbiProcs=BDE -U$(ROOT)\lib\obj;$(ROOT)\lib \
   -I$(ROOT)\include;$(ROOT)\include\forms -v -$Y -$W -$O- -JPHNV -M
RFLAGS = -i$(ROOT)\include;$(ROOT)\include\forms
LFLAGS = -L$(ROOT)\lib\obj;$(ROOT)\lib -aa -Tpe -x -v -V4.0
IFLAGS =
LINKER = ilink32
# ---------------------------------------------------------------------------
ALLOBJ = c0w32.obj $(OBJFILES)
ALLRES = $(RESFILES)
ALLLIB = $(LIBFILES) forms.lib import32.lib cp32mt.lib
# ---------------------------------------------------------------------------
.autodepend

$(PROJECT): $(OBJFILES) $(RESDEPEN) $(DEFFILE)
    $(ROOT)\bin\$(LINKER) @&&!
    $(LFLAGS) +
    $(ALLOBJ), +
    $(PROJECT),, +
    $(ALLLIB), +
    $(DEFFILE), +
    $(ALLRES)
!
