RESDEPEN = $(RESFILES) A.dfm ..\A.dfm	..\B.dfm ..\sub\A.dfm \ 	
  ..\C.dfm \
