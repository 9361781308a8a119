# The package's vignette without compiling the package for it. Its source,
# vignettes/kelvaro.Rmd.orig, runs the package on real data; `knit` runs it once, with the package
# installed, into vignettes/kelvaro.Rmd, whose results and figures (vignettes/figures/) are then
# plain text and images: building that needs knitr and rmarkdown, not the package. `docs` builds
# it as R CMD build would (inst/doc/ and build/vignette.rds), so that the tarball is made with
# `R CMD build --no-build-vignettes`, which compiles nothing, and installing it compiles the
# package once.
#   Rscript vignette.R knit PACKAGE_DIR    (the package installed in a library of .libPaths())
#   Rscript vignette.R docs PACKAGE_DIR
args <- commandArgs(trailingOnly = TRUE)
stopifnot(length(args) == 2L, args[[1L]] %in% c("knit", "docs"))
package <- normalizePath(args[[2L]])
vignettes <- file.path(package, "vignettes")

if (args[[1L]] == "knit") {
  old <- setwd(vignettes)
  unlink("figures", recursive = TRUE)
  knitr::knit("kelvaro.Rmd.orig", "kelvaro.Rmd", envir = new.env(), quiet = TRUE)
  setwd(old)
  quit(save = "no")
}

# As R CMD build makes them: the vignette's outputs in inst/doc with its source, and the index.
tools::buildVignettes(dir = package, tangle = TRUE, quiet = TRUE)
found <- tools::pkgVignettes(dir = package, output = TRUE, source = TRUE)
index <- tools:::.build_vignette_index(found)
doc <- file.path(package, "inst", "doc")
unlink(doc, recursive = TRUE)
dir.create(doc, recursive = TRUE)
made <- c(found$outputs, unlist(found$sources))
stopifnot(all(file.copy(c(found$docs, made), doc, copy.date = TRUE)))
unlink(made)
# A vignette without code has an empty tangled script: none is shipped (as R CMD build does).
for (i in seq_len(NROW(index))) {
  script <- file.path(doc, index$R[i])
  if (nzchar(index$R[i]) && file.exists(script) &&
      all(grepl("(^###|^[[:space:]]*$)", readLines(script, warn = FALSE)))) {
    unlink(script)
    index$R[i] <- ""
  }
}
dir.create(file.path(package, "build"), showWarnings = FALSE)
saveRDS(index, file.path(package, "build", "vignette.rds"), version = 2L)
