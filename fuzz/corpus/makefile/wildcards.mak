RESDEPEN = $(RESFILES) A.dfm *.dfm B?dfm
