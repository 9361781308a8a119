# Runs on a long table: one site-by-species table of every sample's sites, a grouping that says
# which sample (and which group of sites, such as a route) each row belongs to, and a rule that
# pairs the samples of each group, as kelvaro-batch pairs the samples of a long table. Every
# pair is the run kelvaro() makes of the pair's two subsets of rows, with the same seed.

# The samples' order within a group: a factor's levels; otherwise kelvaro-batch's label order,
# by value when every label is a number, else by bytes.
label_order <- function(labels) {
  if (is.factor(labels)) return(levels(droplevels(labels)))
  labels <- unique(as.character(labels))
  numbers <- suppressWarnings(as.numeric(labels))
  # Radix ordering compares strings by bytes (the C locale), whatever the session's locale.
  if (!anyNA(numbers) && all(is.finite(numbers)) && all(grepl("^-?[0-9.]", labels))) {
    return(labels[order(numbers, labels, method = "radix")])
  }
  labels[order(labels, method = "radix")]
}

# groups as (group, sample) per row: a vector gives the samples of one group of sites; a data
# frame or list of two columns gives the group, then the sample (or columns named so).
row_labels <- function(groups, rows) {
  if (is.data.frame(groups) || is.list(groups)) {
    if (length(groups) != 2L) {
      refuse("groups must be a vector (each row's sample) or two columns (each row's group of ",
             "sites, then its sample)")
    }
    named <- all(c("group", "sample") %in% names(groups))
    group <- if (named) groups[["group"]] else groups[[1L]]
    sample <- if (named) groups[["sample"]] else groups[[2L]]
  } else {
    group <- NULL
    sample <- groups
  }
  for (column in list(group, sample)) {
    if (!is.null(column) && length(column) != rows) {
      refuse(sprintf("groups must give one label per row of sample1 (%d rows), not %d", rows,
                     length(column)))
    }
    if (anyNA(column)) {
      refuse(sprintf("groups: row %d has no label", which(is.na(column))[1L]))
    }
  }
  list(group = group, sample = sample)
}

# The pairs to run, one row each (group, sample1, sample2), sorted by group and samples.
make_pairs <- function(labels, pairs) {
  group <- if (is.null(labels$group)) rep("", length(labels$sample)) else labels$group
  group_order <- label_order(group)
  sample_order <- label_order(labels$sample)
  by_group <- split(as.character(labels$sample), factor(as.character(group), group_order))
  if (is.character(pairs) && length(pairs) == 1L && !is.na(pairs)) {
    rule <- choose_one(pairs, c("consecutive", "all", "first"), "pairs",
                       " (or a data frame of pairs)")
    rows <- lapply(seq_along(by_group), function(k) {
      pairs_by_rule(names(by_group)[k], intersect(sample_order, by_group[[k]]), rule)
    })
    out <- do.call(rbind, rows)
  } else if (is.data.frame(pairs)) {
    out <- listed_pairs(pairs, names(by_group), !is.null(labels$group))
  } else {
    refuse("pairs must be \"consecutive\", \"all\", \"first\" or a data frame of pairs ",
           "(sample1, sample2 and, with groups of sites, group)")
  }
  if (is.null(out) || nrow(out) == 0L) {
    refuse("no pair of samples to analyse: every group has a single sample")
  }
  # Labels that only listed pairs name take their place in the order, as in kelvaro-batch.
  all_groups <- with_extra_labels(group, out$group)
  all_samples <- with_extra_labels(labels$sample, c(out$sample1, out$sample2))
  out <- out[order(match(out$group, all_groups), match(out$sample1, all_samples),
                   match(out$sample2, all_samples)), ]
  out <- out[!duplicated(out), ]
  rownames(out) <- NULL
  # The samples in their order, for figures over time.
  attr(out, "samples") <- intersect(all_samples, c(out$sample1, out$sample2))
  out
}

# The order of the table's labels and of `extra` ones: a factor's levels followed by the others
# in label order; otherwise all of them in label order.
with_extra_labels <- function(labels, extra) {
  extra <- as.character(extra)
  if (is.factor(labels)) {
    known <- levels(droplevels(labels))
    return(c(known, label_order(setdiff(extra, known))))
  }
  label_order(c(as.character(labels), extra))
}

pairs_by_rule <- function(group, samples, rule) {
  n <- length(samples)
  if (n < 2L) return(NULL)
  index <- switch(rule,
    consecutive = cbind(seq_len(n - 1L), seq_len(n - 1L) + 1L),
    all = t(utils::combn(n, 2L)),
    first = cbind(1L, seq(2L, n)))
  data.frame(group = group, sample1 = samples[index[, 1L]], sample2 = samples[index[, 2L]],
             stringsAsFactors = FALSE)
}

listed_pairs <- function(pairs, groups, grouped) {
  columns <- tolower(names(pairs))
  take <- function(name, position) {
    k <- match(name, columns)
    if (is.na(k)) k <- position
    as.character(pairs[[k]])
  }
  if (ncol(pairs) < 2L || grouped && ncol(pairs) < 3L && !("group" %in% columns)) {
    refuse("pairs: a data frame of sample1 and sample2 (and group, with groups of sites)")
  }
  three <- grouped && ncol(pairs) >= 3L
  s1 <- take("sample1", if (three) 2L else 1L)
  s2 <- take("sample2", if (three) 3L else 2L)
  g <- if (grouped) take("group", 1L) else rep("", length(s1))
  same <- which(s1 == s2)
  if (length(same) > 0L) {
    refuse(sprintf("pairs: row %d pairs sample \"%s\" with itself", same[1L], s1[same[1L]]))
  }
  if (anyNA(c(s1, s2, g))) refuse("pairs: every row needs both samples")
  data.frame(group = g, sample1 = s1, sample2 = s2, stringsAsFactors = FALSE)
}

# The detections of one pair's blocks (as block_matrices() gives a run's), or the problem that
# keeps it from being analysed (kelvaro-batch's problem kinds).
pair_matrices <- function(x, labels, pair) {
  in_group <- if (is.null(labels$group)) TRUE else as.character(labels$group) == pair$group
  rows1 <- which(in_group & as.character(labels$sample) == pair$sample1)
  rows2 <- which(in_group & as.character(labels$sample) == pair$sample2)
  for (s in list(list(pair$sample1, rows1), list(pair$sample2, rows2))) {
    if (length(s[[2L]]) == 0L) {
      return(list(kind = "missing_sample", message = sprintf("no row of sample \"%s\"", s[[1L]])))
    }
    if (length(s[[2L]]) > max_sites()) {
      return(list(kind = "too_many_sites",
                  message = sprintf("sample \"%s\" has %d sites; a sample may have at most %d",
                                    s[[1L]], length(s[[2L]]), max_sites())))
    }
    if (!any(x[s[[2L]], ])) {
      return(list(kind = "no_detection",
                  message = sprintf("sample \"%s\" has no detection", s[[1L]])))
    }
  }
  d1 <- x[rows1, , drop = FALSE]
  d2 <- x[rows2, , drop = FALSE]
  both <- which(colSums(d1) > 0 & colSums(d2) > 0)
  list(matrices = list(sample1 = d1, sample2 = d2, subset_a = d2[, both, drop = FALSE],
                       subset_b = d1[, both, drop = FALSE]))
}

grouped_runs <- function(x, groups, pairs, nreps, seed, range_adjust, threads, call) {
  options <- run_options(nreps, if (length(seed) == 1L) seed, range_adjust, FALSE)
  if (!is.null(threads) && !is_whole_number(threads, 1, 1024)) {
    refuse("threads must be a whole number from 1 to 1024 (NULL: the machine's cores)")
  }
  detected <- table_detections(x, "sample1")
  check_empty_sites(detected, "sample1")
  check_case_duplicates(colnames(detected), "sample1")
  labels <- row_labels(groups, nrow(detected))
  todo <- make_pairs(labels, pairs)
  seeds <- pair_seeds(seed, options, nrow(todo))
  prepared <- lapply(seq_len(nrow(todo)), function(i) pair_matrices(detected, labels, todo[i, ]))
  runnable <- vapply(prepared, function(p) !is.null(p$matrices), logical(1))
  # Seed 0: one clock value for every pair, so that each pair is its own kelvaro() call with
  # seed = the result's $seed.
  clock_read <- seeds$clock_read
  if (clock_read) options$clock <- .read_clock_seed()
  grouped <- !is.null(labels$group)
  pair_names <- pair_label(todo[runnable, , drop = FALSE], grouped)
  fault <- test_fault()
  blocks <- lapply(prepared[runnable], function(p) lapply(p$matrices, whole_block))
  results <- .run_surveys(blocks, pair_names, options$nreps, seeds$seeds[runnable],
                          options$clock, options$range_adjust,
                          if (is.null(threads)) 0L else as.integer(threads),
                          fault$kind, as.integer(fault$pair))
  options$samples <- attr(todo, "samples")
  todo$seed <- seeds$seeds
  options$seed <- if (seeds$single) run_seed(seeds$seeds[1L], options$clock) else seeds$seeds
  if (clock_read) kelvaro_warn(paste0("kelvaro: ", clock_seed_text(options$seed)),
                               "clock_seed")
  outcomes <- prepared
  outcomes[runnable] <- results
  matrices <- lapply(prepared, `[[`, "matrices")
  grouped_result(todo, outcomes, matrices, grouped, options, call)
}

# The tests' injected fault (see src/pair_pool.h): list(kind = "throw" or "interrupt", pair = a
# 0-based pair index); none otherwise.
test_fault <- function() getOption("kelvaro.test_fault", list(kind = "", pair = 0L))

# The seed of each of `count` pairs: NULL draws one per pair from R's random numbers (all
# different streams, see draw_seeds); one seed is every pair's, as kelvaro-batch's --seed (0:
# one clock value for all); `count` seeds are the pairs' own, in the pairs' order (a grouped
# run's $seed repeats it). single: every pair has the one seed.
pair_seeds <- function(seed, options, count) {
  if (is.null(seed)) return(list(seeds = draw_seeds(count), single = FALSE, clock_read = FALSE))
  if (length(seed) == 1L) {
    return(list(seeds = rep(options$seed, count), single = TRUE,
                clock_read = options$seed == 0L && is.na(options$clock)))
  }
  if (inherits(seed, "kelvaro_seed") || !is.numeric(seed) || length(seed) != count ||
      anyNA(seed) || any(seed != trunc(seed) | abs(seed) > .Machine$integer.max | seed == 0)) {
    refuse(sprintf(paste0("seed must be NULL (drawn for each pair from R's random numbers), one ",
                          "seed for every pair, or one seed per pair (%d whole numbers, not 0), ",
                          "not %d values"), count, length(seed)))
  }
  list(seeds = as.integer(seed), single = FALSE, clock_read = FALSE)
}

# The table as a matrix, checked as kelvaro() checks a sample (but for its number of rows, which
# counts every sample's sites).
detection_matrix_unchecked <- function(x, arg = "sample1") {
  usable <- vapply(x, function(column) is.numeric(column) || is.logical(column), logical(1))
  if (!all(usable)) {
    j <- which(!usable)[1L]
    refuse(sprintf(paste0("%s: column %d (\"%s\") holds %s, not counts or TRUE/FALSE; ",
                          "give the sample and group labels in groups ="),
                   arg, j, names(x)[j], class(x[[j]])[1L]))
  }
  as.matrix(x)
}

# Empty tables with the columns of a run's: a grouped run where no pair was analysed gives them
# (from a run of a small survey, so that they are the library's columns).
empty_tables <- function() {
  block <- list(f = c(2, 1), n = c(2L, 2L))
  r <- .run_survey(list(sample1 = block, sample2 = block, subset_a = block, subset_b = block),
                   0L, 400L, NA_integer_, TRUE, FALSE)
  labels <- c("", "")
  list(parameters = r$parameters[0L, ], blocks = with_sample(r$blocks, labels)[0L, ],
       tests = r$test[0L, ], estimators = with_sample(r$estimators, labels)[0L, ],
       warnings = r$warnings[0L, c("kind", "block", "text")])
}

# The batch's tables, one row set per pair in the pairs' order, with the pair's labels first.
# outcomes[[i]] is pair i's run (a result list) or why it was not analysed (list(kind,
# message)); matrices[[i]] its blocks' detections (NULL: none, as for a long table's pairs).
grouped_result <- function(todo, outcomes, matrices, grouped, options, call) {
  key_columns <- if (grouped) c("group", "sample1", "sample2") else c("sample1", "sample2")
  key_of <- function(i) todo[i, key_columns, drop = FALSE]
  with_key <- function(frame, i) {
    if (is.null(frame) || nrow(frame) == 0L) return(NULL)
    cbind(key_of(rep(i, nrow(frame))), frame, row.names = NULL)
  }
  problem <- function(i, kind, message) {
    cbind(key_of(i), kind = kind, message = message, stringsAsFactors = FALSE, row.names = NULL)
  }
  tables <- list(parameters = list(), blocks = list(), tests = list(), estimators = list(),
                 warnings = list(), problems = list())
  for (i in seq_along(outcomes)) {
    r <- outcomes[[i]]
    if (!is.null(r$kind)) {
      tables$problems[[i]] <- problem(i, r$kind, r$message)
      next
    }
    if (r$status != 0L) {
      tables$problems[[i]] <- problem(i, "refused", sub("\n$", "", r$diagnostic))
      next
    }
    # The table's sites without detection were told by row; samples without a species in common
    # are the run's to tell.
    raise_warnings(r$warnings, paste0(pair_label(key_of(i), grouped), ": "),
                   "sites_without_detection")
    labelled <- labelled_tables(r, c(todo$sample1[i], todo$sample2[i]), matrices[[i]])
    tables$parameters[[i]] <- with_key(labelled$parameters, i)
    tables$blocks[[i]] <- with_key(labelled$blocks, i)
    tables$tests[[i]] <- with_key(r$test, i)
    tables$estimators[[i]] <- with_key(labelled$estimators, i)
    tables$warnings[[i]] <- with_key(r$warnings[c("kind", "block", "text")], i)
  }
  bind <- function(frames, empty) {
    frames <- Filter(Negate(is.null), frames)
    if (length(frames) == 0L) {
      return(cbind(todo[0L, key_columns, drop = FALSE], empty, row.names = NULL))
    }
    out <- do.call(rbind, frames)
    rownames(out) <- NULL
    out
  }
  empty <- empty_tables()
  empty$problems <- data.frame(kind = character(), message = character(),
                               stringsAsFactors = FALSE)
  out <- structure(c(
    Map(bind, tables, empty[names(tables)]),
    list(pairs = todo[c(key_columns, "seed")], samples = options$samples,
         nreps = options$nreps, seed = options$seed, range_adjust = options$range_adjust,
         call = call)), class = "kelvaro_groups")
  if (nrow(out$problems) > 0L) {
    kelvaro_warn(sprintf("kelvaro: %d of %d pair(s) not analysed; see $problems",
                         nrow(out$problems), nrow(todo)), "pairs_not_analysed")
  }
  out
}

# The pairs' labels, one per row of `key`.
pair_label <- function(key, grouped) {
  if (grouped) sprintf("%s, %s-%s", key$group, key$sample1, key$sample2) else
    sprintf("%s-%s", key$sample1, key$sample2)
}

print.kelvaro_groups <- function(x, ...) {
  analysed <- nrow(analysed_pairs(x))
  cat(sprintf("kelvaro: %d pair(s) of samples, %d analysed; %d bootstrap replicates, %s\n",
              nrow(x$pairs), analysed, x$nreps, seed_text(x$seed)))
  if (analysed > 0L) {
    p <- x$parameters[x$parameters$parameter %in% headline_parameters, ]
    wide <- stats::reshape(p[c(intersect(c("group", "sample1", "sample2"), names(p)),
                               "parameter", "estimate")],
                           idvar = intersect(c("group", "sample1", "sample2"), names(p)),
                           timevar = "parameter", direction = "wide")
    names(wide) <- sub("^estimate\\.", "", names(wide))
    rownames(wide) <- NULL
    print(utils::head(wide, 10L), digits = 4L)
    if (nrow(wide) > 10L) cat(sprintf("... %d more pairs\n", nrow(wide) - 10L))
  }
  cat("Tables: $parameters, $blocks, $tests, $estimators, $warnings, $problems;",
      "summary(x), plot(x)\n")
  # A Darwin Core archive's data: who to cite (kelvaro_dwca()).
  if (!is.null(x$source)) {
    cat(strwrap(if (nzchar(x$source$citation_line)) x$source$citation_line else
      sprintf("data: %s (no citation in the archive)", x$source$archive), exdent = 2L),
      "How the archive was read and its citation: $source\n", sep = "\n")
  }
  invisible(x)
}

as.data.frame.kelvaro_groups <- function(x, ...) x$parameters
