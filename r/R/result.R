# The list a run hands back, made into an object of class "kelvaro"; the run's warnings raised
# as R warnings of class "kelvaro_warning" and a refused input as an R error of class
# "kelvaro_error".

# labels: the samples' names (NULL: "Sample 1", "Sample 2"); matrices: the blocks' detections,
# when the run came from tables (see with_standard_errors).
kelvaro_result <- function(result, call, labels = NULL, matrices = NULL) {
  seed <- run_seed(result$seed, result$clock_seed)
  result$warnings <- clock_warning_text(result$warnings, seed)
  raise_warnings(result$warnings, told = if (!is.null(matrices)) tables_told)
  report <- report_lines(result$report)
  if (result$status != 0L) {
    stop(kelvaro_error(sub("\n$", "", result$diagnostic), report))
  }
  two_samples <- "Sample 2" %in% result$blocks$block
  if (!is.null(labels) && length(labels) != 1L + two_samples) {
    refuse(sprintf("labels: the run has %d sample(s), not %d", 1L + two_samples,
                   length(labels)))
  }
  labels <- sample_labels(labels, 1L + two_samples)
  tables <- labelled_tables(result, labels, matrices)
  structure(list(
    parameters = tables$parameters,
    blocks = tables$blocks,
    test = result$test,
    estimators = tables$estimators,
    replicates = result$replicates,
    warnings = result$warnings,
    report = report,
    nreps = result$nreps,
    seed = seed,
    range_adjust = result$range_adjust,
    sites = c(sample1 = result$sites[[1L]],
              sample2 = if (two_samples) result$sites[[2L]] else NA_integer_),
    labels = c(sample1 = labels[1L], sample2 = if (two_samples) labels[2L] else NA_character_),
    incidence = result$incidence,
    call = call
  ), class = "kelvaro")
}

# The run's blocks and estimators with the label of the sample whose sites each block holds (a
# column `sample` after `block`), the estimators with jack1's and the bootstrap estimator's
# standard errors where the detections are known, and the parameters without bootstrap
# statistics when there were no replicates (NaN, as nothing was computed, not the -0 or 0 an
# empty sum leaves).
labelled_tables <- function(result, labels, matrices) {
  estimators <- with_standard_errors(result$estimators, matrices)
  parameters <- result$parameters
  if (result$nreps == 0L && nrow(parameters) > 0L) {
    parameters[c("bootstrap_average", "standard_error", "lower", "upper")] <- NaN
  }
  list(parameters = parameters, blocks = with_sample(result$blocks, labels),
       estimators = with_sample(estimators, labels))
}

# The blocks of a run in order, and the sample (1 or 2) whose sites each holds: Subset A holds the
# shared species at Sample 2's sites, Subset B at Sample 1's.
block_names <- c("Sample 1", "Sample 2", "Subset A", "Subset B")
block_sample <- c(1L, 2L, 2L, 1L)

with_sample <- function(frame, labels) {
  sample <- labels[block_sample[match(frame$block, block_names)]]
  k <- match("block", names(frame))
  out <- cbind(frame[seq_len(k)], sample = sample, frame[-seq_len(k)],
               stringsAsFactors = FALSE)
  rownames(out) <- NULL
  out
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

# The run's warning kinds that checking the two site-by-species tables of kelvaro() has told
# already, naming the rows.
tables_told <- c("sites_without_detection", "no_common_species")

# One R warning per run warning, worded as the command words it on standard error; `prefix`
# names the pair of a grouped run; kinds in `told` were raised by the package's own checks (the
# run's $warnings keeps them).
raise_warnings <- function(warnings, prefix = "", told = character()) {
  for (i in seq_len(nrow(warnings))) {
    if (warnings$kind[[i]] %in% told) next
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

# Refuses what a function was given: an R error of class "kelvaro_error", as a refused input is,
# whose message (the parts pasted together) names the argument and says what it takes.
refuse <- function(...) stop(kelvaro_error(paste0(...), character()))
