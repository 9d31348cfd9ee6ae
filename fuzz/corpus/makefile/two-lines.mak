RESDEPEN = $(RESFILES) A.dfm B.dfm \
  C.dfm T.dfm missing.dfm
