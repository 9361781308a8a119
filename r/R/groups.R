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
      stop("groups must be a vector (each row's sample) or two columns (each row's group of ",
           "sites, then its sample)", call. = FALSE)
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
      stop(sprintf("groups must give one label per row of sample1 (%d rows), not %d", rows,
                   length(column)), call. = FALSE)
    }
    if (anyNA(column)) {
      stop(sprintf("groups: row %d has no label", which(is.na(column))[1L]), call. = FALSE)
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
  if (is.character(pairs) && length(pairs) == 1L) {
    rule <- match.arg(pairs, c("consecutive", "all", "first"))
    rows <- lapply(seq_along(by_group), function(k) {
      pairs_by_rule(names(by_group)[k], intersect(sample_order, by_group[[k]]), rule)
    })
    out <- do.call(rbind, rows)
  } else if (is.data.frame(pairs)) {
    out <- listed_pairs(pairs, names(by_group), !is.null(labels$group))
  } else {
    stop("pairs must be \"consecutive\", \"all\", \"first\" or a data frame of pairs ",
         "(sample1, sample2 and, with groups of sites, group)", call. = FALSE)
  }
  if (is.null(out) || nrow(out) == 0L) {
    stop("no pair of samples to analyse: every group has a single sample", call. = FALSE)
  }
  # Labels that only listed pairs name take their place in the order, as in kelvaro-batch.
  all_groups <- with_extra_labels(group, out$group)
  all_samples <- with_extra_labels(labels$sample, c(out$sample1, out$sample2))
  out <- out[order(match(out$group, all_groups), match(out$sample1, all_samples),
                   match(out$sample2, all_samples)), ]
  out <- out[!duplicated(out), ]
  rownames(out) <- NULL
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
    stop("pairs: a data frame of sample1 and sample2 (and group, with groups of sites)",
         call. = FALSE)
  }
  three <- grouped && ncol(pairs) >= 3L
  s1 <- take("sample1", if (three) 2L else 1L)
  s2 <- take("sample2", if (three) 3L else 2L)
  g <- if (grouped) take("group", 1L) else rep("", length(s1))
  same <- which(s1 == s2)
  if (length(same) > 0L) {
    stop(sprintf("pairs: row %d pairs sample \"%s\" with itself", same[1L], s1[same[1L]]),
         call. = FALSE)
  }
  if (anyNA(c(s1, s2, g))) stop("pairs: every row needs both samples", call. = FALSE)
  data.frame(group = g, sample1 = s1, sample2 = s2, stringsAsFactors = FALSE)
}

# The blocks of one pair, or the problem that keeps it from being analysed (kelvaro-batch's
# problem kinds).
pair_blocks <- function(x, labels, pair) {
  in_group <- if (is.null(labels$group)) TRUE else as.character(labels$group) == pair$group
  rows1 <- which(in_group & as.character(labels$sample) == pair$sample1)
  rows2 <- which(in_group & as.character(labels$sample) == pair$sample2)
  for (s in list(list(pair$sample1, rows1), list(pair$sample2, rows2))) {
    if (length(s[[2L]]) == 0L) {
      return(list(kind = "missing_sample", message = sprintf("no row of sample \"%s\"", s[[1L]])))
    }
    if (length(s[[2L]]) > max_sites) {
      return(list(kind = "too_many_sites",
                  message = sprintf("sample \"%s\" has %d sites; a sample may have at most %d",
                                    s[[1L]], length(s[[2L]]), max_sites)))
    }
    if (!any(x[s[[2L]], ])) {
      return(list(kind = "no_detection",
                  message = sprintf("sample \"%s\" has no detection", s[[1L]])))
    }
  }
  d1 <- x[rows1, , drop = FALSE]
  d2 <- x[rows2, , drop = FALSE]
  species <- seq_len(ncol(x))
  both <- which(colSums(d1) > 0 & colSums(d2) > 0)
  list(blocks = list(sample1 = detection_block(d1, species),
                     sample2 = detection_block(d2, species),
                     subset_a = detection_block(d2, both), subset_b = detection_block(d1, both)))
}

grouped_runs <- function(x, groups, pairs, options, threads, call) {
  if (!is.null(threads) && !is_whole_number(threads, 1, 1024)) {
    stop("threads must be a whole number from 1 to 1024 (NULL: the machine's cores)",
         call. = FALSE)
  }
  if (is.data.frame(x)) x <- detection_matrix_unchecked(x)
  detected <- grouped_detections(x)
  labels <- row_labels(groups, nrow(detected))
  todo <- make_pairs(labels, pairs)
  prepared <- lapply(seq_len(nrow(todo)), function(i) pair_blocks(detected, labels, todo[i, ]))
  runnable <- vapply(prepared, function(p) !is.null(p$blocks), logical(1))
  # Seed 0: one clock value for every pair, so that each pair is its own kelvaro() call with
  # seed = the result's $seed.
  clock_read <- options$seed == 0L && is.na(options$clock)
  if (clock_read) options$clock <- .read_clock_seed()
  grouped <- !is.null(labels$group)
  pair_names <- pair_label(todo[runnable, , drop = FALSE], grouped)
  # The tests' injected fault (see src/pairs_entry.cpp): list(kind = "throw" or "interrupt",
  # pair = a 0-based pair index).
  fault <- getOption("kelvaro.test_fault", list(kind = "", pair = 0L))
  results <- .run_surveys(lapply(prepared[runnable], `[[`, "blocks"), pair_names, options$nreps,
                          options$seed, options$clock, options$range_adjust,
                          if (is.null(threads)) 0L else as.integer(threads),
                          fault$kind, as.integer(fault$pair))
  options$seed <- run_seed(options$seed, options$clock)
  if (clock_read) kelvaro_warn(paste0("kelvaro: ", clock_seed_text(options$seed)),
                               "clock_seed")
  grouped_result(todo, prepared, runnable, results, grouped, options, call)
}

# The table as a matrix, checked as kelvaro() checks a sample (but for its number of rows, which
# counts every sample's sites).
detection_matrix_unchecked <- function(x) {
  usable <- vapply(x, function(column) is.numeric(column) || is.logical(column), logical(1))
  if (!all(usable)) {
    j <- which(!usable)[1L]
    stop(sprintf(paste0("sample1: column %d (\"%s\") holds %s, not counts or TRUE/FALSE; ",
                        "give the sample and group labels in groups ="),
                 j, names(x)[j], class(x[[j]])[1L]), call. = FALSE)
  }
  as.matrix(x)
}

grouped_detections <- function(x) {
  if (is.null(dim(x)) || length(dim(x)) != 2L) {
    stop("sample1 must be a site-by-species table (a matrix or data frame with one row per ",
         "site)", call. = FALSE)
  }
  if (!is.numeric(x) && !is.logical(x)) {
    stop(sprintf("sample1 must hold counts or TRUE/FALSE, not %s values", typeof(x)),
         call. = FALSE)
  }
  if (nrow(x) == 0L) stop("sample1 has no sites (rows)", call. = FALSE)
  if (ncol(x) == 0L) stop("sample1 has no species (columns)", call. = FALSE)
  check_cells(x, "sample1")
  x > 0
}

# The batch's tables, one row set per pair in the pairs' order, with the pair's labels first.
grouped_result <- function(todo, prepared, runnable, results, grouped, options, call) {
  keys <- todo[runnable, , drop = FALSE]
  key_columns <- if (grouped) c("group", "sample1", "sample2") else c("sample1", "sample2")
  with_key <- function(frame, i) {
    if (is.null(frame) || nrow(frame) == 0L) return(NULL)
    cbind(keys[rep(i, nrow(frame)), key_columns, drop = FALSE], frame, row.names = NULL)
  }
  problems <- lapply(which(!runnable), function(i) {
    cbind(todo[i, key_columns, drop = FALSE], kind = prepared[[i]]$kind,
          message = prepared[[i]]$message, stringsAsFactors = FALSE, row.names = NULL)
  })
  tables <- list(parameters = list(), blocks = list(), tests = list(), estimators = list(),
                 warnings = list())
  for (i in seq_along(results)) {
    r <- results[[i]]
    label <- pair_label(keys[i, ], grouped)
    if (r$status != 0L) {
      problems[[length(problems) + 1L]] <- cbind(keys[i, key_columns, drop = FALSE],
        kind = "refused", message = sub("\n$", "", r$diagnostic), stringsAsFactors = FALSE,
        row.names = NULL)
      next
    }
    raise_warnings(r$warnings, paste0(label, ": "))
    tables$parameters[[i]] <- with_key(r$parameters, i)
    tables$blocks[[i]] <- with_key(r$blocks, i)
    tables$tests[[i]] <- with_key(r$test, i)
    tables$estimators[[i]] <- with_key(r$estimators, i)
    tables$warnings[[i]] <- with_key(r$warnings[c("kind", "block", "text")], i)
  }
  bind <- function(frames, empty) {
    frames <- Filter(Negate(is.null), frames)
    if (length(frames) == 0L) return(empty)
    out <- do.call(rbind, frames)
    rownames(out) <- NULL
    out
  }
  empty_problems <- data.frame(todo[0L, key_columns, drop = FALSE], kind = character(),
                               message = character(), stringsAsFactors = FALSE)
  problems <- bind(problems, empty_problems)
  # In the pairs' order, like every other table.
  key_text <- function(frame) do.call(paste, c(unname(frame[key_columns]), sep = "\r"))
  problems <- problems[order(match(key_text(problems), key_text(todo))), , drop = FALSE]
  rownames(problems) <- NULL
  out <- structure(list(
    parameters = bind(tables$parameters, NULL),
    blocks = bind(tables$blocks, NULL),
    tests = bind(tables$tests, NULL),
    estimators = bind(tables$estimators, NULL),
    warnings = bind(tables$warnings, NULL),
    problems = problems,
    pairs = todo[key_columns],
    nreps = options$nreps, seed = options$seed, range_adjust = options$range_adjust,
    call = call), class = "kelvaro_groups")
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
  analysed <- if (is.null(x$parameters)) 0L else
    nrow(unique(x$parameters[intersect(c("group", "sample1", "sample2"), names(x$parameters))]))
  cat(sprintf("kelvaro: %d pair(s) of samples, %d analysed; %d bootstrap replicates, seed %s\n",
              nrow(x$pairs), analysed, x$nreps, format(x$seed)))
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
  cat("Tables: $parameters, $blocks, $tests, $estimators, $warnings, $problems\n")
  invisible(x)
}

as.data.frame.kelvaro_groups <- function(x, ...) x$parameters
