# Turns the two ditches tables of the project's examples/data/ into the package's data set
# `ditches` (the data frames ditches_before and ditches_after). Species names are kept exactly as
# the files write them (no check.names), since species are matched between samples by name.
# Usage: Rscript make-data.R EXAMPLES_DATA_DIR OUTPUT.rda
args <- commandArgs(trailingOnly = TRUE)
stopifnot(length(args) == 2L)
read_table <- function(file) {
  utils::read.csv(file.path(args[[1]], file), row.names = 1L, check.names = FALSE)
}
ditches_before <- read_table("ditches-week-4.csv")
ditches_after <- read_table("ditches-week24.csv")
save(ditches_before, ditches_after, file = args[[2]], compress = "xz", version = 2L)
