# From site-by-species tables to the four data blocks of a run, as kelvaro-prep derives them:
# a value above 0 is a detection; f(i) counts the species detected at exactly i sites and n(i)
# the species detected at site i, over each sample's own sites in their order; the subsets hold
# the species detected in both samples (matched by column name), with Sample 2's data (Subset A)
# and with Sample 1's (Subset B).

# The table `x` (argument name `arg`) as a logical sites-by-species matrix of detections.
# Refuses what kelvaro-prep refuses (no sites, too many sites, no detection at all, duplicate
# site or species names) and, since R tables can hold them, columns that are not numbers or
# TRUE/FALSE, missing, infinite and negative values, and vectors. Species names are needed only
# when `named`. Warns of a single site (the estimate is then the species observed).
detection_matrix <- function(x, arg, named) {
  if (is.null(x) || is.null(dim(x)) && !is.data.frame(x)) {
    refuse(sprintf(paste0("%s must be a site-by-species table (a matrix or data frame with one ",
                          "row per site and one column per species), not %s"),
                   arg, if (is.null(x)) "NULL" else sprintf("a vector (%s)", class(x)[1L])))
  }
  if (is.data.frame(x)) {
    usable <- vapply(x, function(column) is.numeric(column) || is.logical(column), logical(1))
    if (!all(usable)) {
      j <- which(!usable)[1L]
      refuse(sprintf(paste0("%s: column %d (\"%s\") holds %s, not counts or TRUE/FALSE; ",
                            "site names belong in the row names (read.csv(..., row.names = 1))"),
                     arg, j, names(x)[j], class(x[[j]])[1L]))
    }
    x <- as.matrix(x)
  } else if (!is.matrix(x)) {
    x <- as.matrix(x)
  }
  if (length(dim(x)) != 2L) {
    refuse(sprintf("%s must be a site-by-species table with two dimensions, not %d", arg,
                   length(dim(x))))
  }
  if (!is.numeric(x) && !is.logical(x)) {
    refuse(sprintf("%s must hold counts or TRUE/FALSE, not %s values", arg, typeof(x)))
  }
  check_shape(x, arg)
  check_names(x, arg, named)
  check_cells(x, arg)
  if (nrow(x) == 1L) {
    kelvaro_warn(sprintf(paste0("kelvaro: %s has one site: with one site the jackknife has ",
                                "nothing to extrapolate from and the richness estimate is the ",
                                "species observed"), arg), "one_site")
  }
  detected <- x > 0
  if (!any(detected)) {
    refuse(sprintf("%s has no detection (no value above 0 or TRUE)", arg))
  }
  check_empty_sites(detected, arg)
  check_case_duplicates(colnames(x), arg)
  detected
}

check_shape <- function(x, arg) {
  if (nrow(x) == 0L) refuse(sprintf("%s has no sites (rows)", arg))
  if (nrow(x) > max_sites()) {
    refuse(sprintf("%s has %d sites (rows); a sample may have at most %d", arg, nrow(x),
                   max_sites()))
  }
  if (ncol(x) == 0L) refuse(sprintf("%s has no species (columns)", arg))
}

check_names <- function(x, arg, named) {
  species <- colnames(x)
  if (named && is.null(species)) {
    refuse(sprintf("%s has no column names: species are matched between the samples by name",
                   arg))
  }
  if (!is.null(species)) {
    empty <- which(is.na(species) | species == "")
    if (length(empty) > 0L) {
      refuse(sprintf("%s: column %d has no species name", arg, empty[1L]))
    }
    duplicate_name(species, arg, "species", "column")
  }
  sites <- rownames(x)
  if (!is.null(sites)) duplicate_name(sites[!is.na(sites) & sites != ""], arg, "site", "row")
}

duplicate_name <- function(names, arg, what, place) {
  k <- anyDuplicated(names)
  if (k > 0L) {
    refuse(sprintf("%s: duplicate %s name \"%s\" (%ss %d and %d)", arg, what, names[k], place,
                   match(names[k], names), k))
  }
}

# NA, NaN, infinite and negative values are refused at the first such cell by row, naming its
# row and column.
check_cells <- function(x, arg) {
  bad <- which(is.na(x) | is.infinite(x) | x < 0, arr.ind = TRUE)
  if (nrow(bad) == 0L) return(invisible())
  first <- bad[order(bad[, 1L], bad[, 2L])[1L], ]
  i <- first[[1L]]
  j <- first[[2L]]
  label <- function(names, k, what) {
    if (is.null(names) || is.na(names[k]) || names[k] == "") "" else
      sprintf(" (%s \"%s\")", what, names[k])
  }
  refuse(sprintf(paste0("%s: %s at row %d%s, column %d%s; give 0 (or FALSE) for not detected ",
                        "and a count (or TRUE) for detected"),
                 arg, format(x[i, j]), i, label(rownames(x), i, "site"), j,
                 label(colnames(x), j, "species")))
}

# f(1..t) and n(1..t) of the named species (columns) over the sample's t sites.
detection_block <- function(detected, species) {
  hits <- detected[, species, drop = FALSE]
  list(f = tabulate(colSums(hits), nbins = nrow(detected)), n = as.integer(rowSums(hits)))
}

# A block of every species (column) of a detection matrix.
whole_block <- function(detected) detection_block(detected, seq_len(ncol(detected)))

# The detections behind each block of a run: Sample 1 alone when d2 is NULL, else Sample 2 too,
# and the species detected in both samples (matched by column name) at Sample 2's sites (Subset
# A) and at Sample 1's (Subset B).
block_matrices <- function(d1, d2) {
  if (is.null(d2)) return(list(sample1 = d1))
  seen1 <- colnames(d1)[colSums(d1) > 0]
  seen2 <- colnames(d2)[colSums(d2) > 0]
  both <- intersect(seen1, seen2)
  check_shared(colnames(d1), colnames(d2), both)
  list(sample1 = d1, sample2 = d2, subset_a = d2[, both, drop = FALSE],
       subset_b = d1[, both, drop = FALSE])
}

# Warns of sites (rows) without any detection: they count as sites where every species was
# missed, which lowers the detection the estimates rest on. A site that was not surveyed does
# not belong in the table. The run warns of the same (kind sites_without_detection) by site
# number only: a run from checked tables leaves its warning to this one, which names the rows.
check_empty_sites <- function(detected, arg) {
  empty <- which(rowSums(detected) == 0)
  if (length(empty) == 0L) return(invisible())
  sites <- rownames(detected)
  shown <- utils::head(empty, 3L)
  where <- if (is.null(sites)) paste(shown, collapse = ", ") else
    paste(sprintf("%d (\"%s\")", shown, sites[shown]), collapse = ", ")
  kelvaro_warn(sprintf(paste0("kelvaro: %s: %d site(s) without any detection, row(s) %s%s; they ",
                              "count as sites where every species was missed (drop the rows of ",
                              "sites that were not surveyed)"),
                       arg, length(empty), where, if (length(empty) > 3L) ", ..." else ""),
               "sites_without_detection")
}

# Warns of species names within one table that differ only in case ("Poa annua", "poa annua"):
# most likely one species written two ways, counted here as two.
check_case_duplicates <- function(species, arg) {
  if (is.null(species)) return(invisible())
  folded <- tolower(species)
  twice <- unique(folded[duplicated(folded)])
  if (length(twice) == 0L) return(invisible())
  shown <- vapply(utils::head(twice, 3L), function(name) {
    paste(sprintf("\"%s\"", species[folded == name]), collapse = " / ")
  }, character(1))
  kelvaro_warn(sprintf(paste0("kelvaro: %s: %d species name(s) written more than once, differing ",
                              "only in case, e.g. %s; they count as different species (merge the ",
                              "columns if they are one)"),
                       arg, length(twice), paste(shown, collapse = ", ")), "case_duplicate")
}

# Warns when the samples share no species, and when species names differ only in case (most
# likely the same species written two ways; they count as different species).
check_shared <- function(species1, species2, both) {
  only1 <- setdiff(species1, species2)
  only2 <- setdiff(species2, species1)
  folded <- intersect(tolower(only1), tolower(only2))
  if (length(folded) > 0L) {
    pairs <- vapply(folded[seq_len(min(3L, length(folded)))], function(name) {
      sprintf("\"%s\" / \"%s\"", only1[tolower(only1) == name][1L],
              only2[tolower(only2) == name][1L])
    }, character(1))
    kelvaro_warn(sprintf(paste0("kelvaro: %d species name(s) differ between the samples only in ",
                                "case, e.g. %s; species are matched by exact name, so these ",
                                "count as different species (make the names agree, e.g. with ",
                                "toupper(), if they are the same)"),
                         length(folded), paste(pairs, collapse = ", ")), "case_differs")
  }
  if (length(both) == 0L) {
    kelvaro_warn(paste0("kelvaro: the samples have no species in common (species are matched ",
                        "by column name): persistence is then 0; check that both tables name ",
                        "the species the same way"), "no_common_species")
  }
}
