# The list a run hands back, made into an object of class "kelvaro"; the run's warnings raised
# as R warnings of class "kelvaro_warning" and a refused input as an R error of class
# "kelvaro_error".

kelvaro_result <- function(result, call) {
  seed <- run_seed(result$seed, result$clock_seed)
  result$warnings <- clock_warning_text(result$warnings, seed)
  raise_warnings(result$warnings)
  report <- report_lines(result$report)
  if (result$status != 0L) {
    stop(kelvaro_error(sub("\n$", "", result$diagnostic), report))
  }
  two_samples <- "Sample 2" %in% result$blocks$block
  structure(list(
    parameters = result$parameters,
    blocks = result$blocks,
    test = result$test,
    estimators = result$estimators,
    replicates = result$replicates,
    warnings = result$warnings,
    report = report,
    nreps = result$nreps,
    seed = seed,
    range_adjust = result$range_adjust,
    sites = c(sample1 = result$sites[[1L]],
              sample2 = if (two_samples) result$sites[[2L]] else NA_integer_),
    call = call
  ), class = "kelvaro")
}

# The command's warning about seed 0 says the run cannot be repeated; here it can, from $seed.
clock_warning_text <- function(warnings, seed) {
  clock <- warnings$kind == "clock_seed"
  warnings$text[clock] <- clock_seed_text(seed)
  warnings
}

clock_seed_text <- function(seed) {
  sprintf("seed 0 took the seed from the clock (%s, kept in $seed); give seed = fit$seed to %s",
          format(seed), "repeat this run, or a seed such as 400 to make runs repeatable")
}

# The report's lines without their CR LF ends.
report_lines <- function(text) {
  if (!nzchar(text)) return(character())
  sub("\r$", "", strsplit(text, "\n", fixed = TRUE)[[1L]])
}

# One R warning per run warning, worded as the command words it on standard error; `prefix`
# names the pair of a grouped run.
raise_warnings <- function(warnings, prefix = "") {
  for (i in seq_len(nrow(warnings))) {
    line <- warnings$line[[i]]
    where <- if (is.na(line)) "" else sprintf("line %d: ", line)
    kelvaro_warn(sprintf("kelvaro: %s%s%s: %s", prefix, where, warnings$block[[i]],
                         warnings$text[[i]]), warnings$kind[[i]])
  }
}

# A warning of class "kelvaro_warning" (muffled or collected with withCallingHandlers(...,
# kelvaro_warning = ...)); `kind` names it as $warnings$kind does, or the package's own check.
kelvaro_warn <- function(message, kind) {
  warning(structure(class = c("kelvaro_warning", "warning", "condition"),
                    list(message = message, call = NULL, kind = kind)))
}

# The error of a refused or unreadable input; `report` holds what the run reported before it
# stopped (the command's standard output in that case).
kelvaro_error <- function(message, report) {
  structure(class = c("kelvaro_error", "error", "condition"),
            list(message = message, call = NULL, report = report))
}
